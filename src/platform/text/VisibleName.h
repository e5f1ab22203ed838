#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace pellora {

// A file name as the list, standard error and the log show it: always one
// line, and never anything a terminal or a text view would act on. A name
// may hold any byte but '/' and NUL, so what could break a line, move the
// cursor, start a terminal's escape sequence or reverse the text around it
// is written out, as is a byte that is no UTF-8:
//   tab, line feed, carriage return   \t \n \r
//   other C0 controls and DEL         \x01 ... \x1f, \x7f
//   a byte that is not UTF-8          \x80 ... \xff
//   C1 controls, the line and paragraph separators, the bidirectional
//   embeddings, overrides and isolates
//                                     \u0080 ... \u009f, \u2028, \u2029,
//                                     \u202a ... \u202e, \u2066 ... \u2069
// A backslash stays one, except where the name itself continues it into
// what would read as one of these: there it is written \\ ("a\x.tga" shows
// as a\\x.tga, "a\b.tga" as it is). Every other character shows as itself,
// so an ordinary name, Japanese included, is unchanged. The result is UTF-8.
std::string visibleName(std::string_view utf8Bytes);
std::string visibleName(const std::filesystem::path& name);

} // namespace pellora
