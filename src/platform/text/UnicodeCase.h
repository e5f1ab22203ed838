#pragma once

#include <string>
#include <string_view>

// Upper case and case-blind comparison of UTF-8 text, a character at a time
// (Unicode's simple mappings), as file names are compared on Windows: no
// locale, and the same on every system.
namespace pellora::unicodeCase {

char32_t upper(char32_t c);
// The form in which characters that differ only in case are equal.
char32_t folded(char32_t c);

// `text` with each character in upper case; a byte that is no UTF-8 stays.
std::string toUpper(std::string_view text);

// Whether `text` starts with `prefix`, ignoring case; `matched` then holds
// the bytes of `text` the prefix covers.
bool startsWithIgnoringCase(std::string_view text, std::string_view prefix, std::size_t* matched = nullptr);
bool endsWithIgnoringCase(std::string_view text, std::string_view suffix);

} // namespace pellora::unicodeCase
