#include "settings/IniContents.h"

#include "platform/text/Cp932.h"
#include "platform/text/Utf8.h"
#include "settings/ProfileEncoding.h"

namespace pellora {

namespace {

// A read returns what fits a 255-byte buffer with its closing NUL.
constexpr size_t kReadableBytes = 254;

// The text's size in code page 932. Without a converter nothing is read
// (see cp932::available), so its UTF-8 size, never smaller, stands in.
size_t cp932Size(std::string_view text)
{
    const auto bytes = cp932::encode(text);
    return bytes ? bytes->size() : text.size();
}

// The text itself is cut, never its code page 932 form, in which a character
// that code page lacks would come back as another.
std::string fitForReading(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    if (cp932Size(text) <= kReadableBytes)
        return std::string(text);
    size_t bytes = 0;
    size_t fits = 0;
    while (fits < text.size()) {
        const size_t length = utf8::first(text.substr(fits)).length;
        bytes += cp932Size(text.substr(fits, length));
        if (bytes > kReadableBytes)
            break;
        fits += length;
    }
    return std::string(text.substr(0, fits));
}

} // namespace

IniContents::IniContents(std::string fileBytes) : profile_(profileEncoding::editable(std::move(fileBytes)).bytes) {}

std::string IniContents::value(std::string_view section, std::string_view key, std::string_view fallback) const
{
    const auto encoding = profile_.encoding();
    const auto sectionBytes = profileEncoding::bytesOf(encoding, section);
    const auto keyBytes = profileEncoding::bytesOf(encoding, key);
    if (!sectionBytes || !keyBytes)
        return fitForReading(fallback);
    const auto stored = profile_.value(*sectionBytes, *keyBytes);
    if (!stored)
        return fitForReading(fallback);
    const auto text = profileEncoding::textOf(encoding, *stored);
    return fitForReading(text ? *text : fallback);
}

bool IniContents::hasSection(std::string_view section) const
{
    const auto bytes = profileEncoding::bytesOf(profile_.encoding(), section);
    return bytes && profile_.hasSection(*bytes);
}

} // namespace pellora
