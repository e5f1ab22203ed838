#pragma once

#include <string>
#include <string_view>

// The window speaks to Windows in UTF-16 and to the engine in UTF-8; these
// are the two crossings. Ill-formed input never fails: each stray byte or
// half surrogate pair becomes a replacement character, as in utf8::.
namespace pellora::win32::wideText {

std::wstring fromUtf8(std::string_view text);
std::string toUtf8(std::wstring_view text);

} // namespace pellora::win32::wideText
