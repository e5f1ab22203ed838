#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

// Which encoding the settings file is saved in. Code page 932 whenever every
// value fits it, since the Windows tool reads the file. A value that does not
// fit (a folder named "Música") would come back as another folder ("M?sica"),
// so then the whole file is saved as UTF-8 with a byte-order mark, every line
// transcoded, and a note of ours as its first line.
//
// The note is what lets a later save bring the file back to code page 932
// once everything fits again. A UTF-8 file without it was written that way on
// purpose by somebody else and stays UTF-8.
namespace pellora::profileEncoding {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf8Note = "; saved as UTF-8: a value here does not fit code page 932\r\n";

// Whether the text reads back exactly after a trip through the encoding.
bool fitsCp932(const QString& text);
bool fitsUtf8(const QString& text);

// A code page 932 file as UTF-8 with its byte-order mark and our note;
// nothing when its bytes are not all code page 932 text (those could not be
// carried over faithfully).
std::optional<std::string> toUtf8(std::string_view cp932Bytes);

// A UTF-8 file of ours back in code page 932, without the mark and the note;
// nothing when it is not ours or something in it does not fit.
std::optional<std::string> backToCp932(std::string_view utf8Bytes);

} // namespace pellora::profileEncoding
