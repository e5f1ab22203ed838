#include "win32/WideText.h"

#include "platform/text/Utf8.h"

namespace pellora::win32::wideText {

// wchar_t is a UTF-16 code unit on Windows, so the conversion is a copy.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring fromUtf8(std::string_view text)
{
    const std::u16string units = utf8::toUtf16(text);
    return std::wstring(units.begin(), units.end());
}

std::string toUtf8(std::wstring_view text)
{
    return utf8::fromUtf16(std::u16string(text.begin(), text.end()));
}

} // namespace pellora::win32::wideText
