#include "settings/ProfileEncoding.h"

#include "platform/text/Cp932.h"
#include "platform/text/Utf8.h"

namespace pellora::profileEncoding {

namespace {

std::optional<ByteOrder> utf16Order(std::string_view fileBytes)
{
    if (fileBytes.starts_with(kUtf16LeBom))
        return ByteOrder::LittleEndian;
    if (fileBytes.starts_with(kUtf16BeBom))
        return ByteOrder::BigEndian;
    return std::nullopt;
}

// UTF-32, which neither the Windows tool nor this one reads: lines added in
// another encoding would spoil it.
bool opensWithUtf32Mark(std::string_view fileBytes)
{
    using namespace std::string_view_literals;
    return fileBytes.starts_with("\xFF\xFE\0\0"sv) || fileBytes.starts_with("\0\0\xFE\xFF"sv);
}

// The code units after the mark; a last odd byte is no character.
std::u16string fromUtf16(std::string_view body, ByteOrder order)
{
    std::u16string units(body.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const auto first = static_cast<unsigned char>(body[2 * i]);
        const auto second = static_cast<unsigned char>(body[2 * i + 1]);
        units[i] = static_cast<char16_t>(order == ByteOrder::LittleEndian ? (second << 8 | first) : (first << 8 | second));
    }
    return units;
}

std::string toUtf16(std::string_view text, ByteOrder order)
{
    std::string bytes(order == ByteOrder::LittleEndian ? kUtf16LeBom : kUtf16BeBom);
    for (const char16_t unit : utf8::toUtf16(text)) {
        const auto high = static_cast<char>(unit >> 8);
        const auto low = static_cast<char>(unit & 0xFF);
        bytes += order == ByteOrder::LittleEndian ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

} // namespace

bool fitsCp932(std::string_view text)
{
    const auto bytes = cp932::encode(text);
    if (!bytes)
        return false;
    const auto back = cp932::decode(*bytes);
    return back && *back == text;
}

bool fitsUtf8(std::string_view text)
{
    return utf8::isWellFormed(text);
}

Expected<std::string, Failure> textOf(PrivateProfile::Encoding encoding, std::string_view bytes)
{
    if (encoding == PrivateProfile::Encoding::Utf8)
        return utf8::wellFormed(bytes);
    return cp932::decode(bytes);
}

Expected<std::string, Failure> bytesOf(PrivateProfile::Encoding encoding, std::string_view text)
{
    if (encoding == PrivateProfile::Encoding::Utf8)
        return std::string(text);
    return cp932::encode(text);
}

std::optional<std::string> toUtf8(std::string_view cp932Bytes)
{
    const auto text = cp932::decode(cp932Bytes);
    if (!text)
        return std::nullopt;
    const auto again = cp932::encode(*text);
    if (!again || *again != cp932Bytes)
        return std::nullopt;
    return std::string(kUtf8Bom) + std::string(kUtf8Note) + *text;
}

Editable editable(std::string fileBytes)
{
    const auto order = utf16Order(fileBytes);
    if (!order) {
        const bool rewritable = !opensWithUtf32Mark(fileBytes);
        return {std::move(fileBytes), std::nullopt, rewritable};
    }
    const std::string_view body = std::string_view(fileBytes).substr(kUtf16LeBom.size());
    const std::u16string units = fromUtf16(body, *order);
    // Half of a surrogate pair has no UTF-8 form and would come back as another character.
    const bool rewritable = body.size() % 2 == 0 && utf8::isWellFormed(units) && !opensWithUtf32Mark(fileBytes);
    return {std::string(kUtf8Bom) + utf8::fromUtf16(units), order, rewritable};
}

std::optional<std::string> savedBytes(const Editable& original, std::string edited)
{
    if (!original.rewritable)
        return std::nullopt;
    if (!original.utf16)
        return edited;
    if (!edited.starts_with(kUtf8Bom))
        return std::nullopt;
    const std::string_view body = std::string_view(edited).substr(kUtf8Bom.size());
    if (!utf8::isWellFormed(body))
        return std::nullopt;
    return toUtf16(body, *original.utf16);
}

std::optional<std::string> backToCp932(std::string_view utf8Bytes)
{
    const std::string mine = std::string(kUtf8Bom) + std::string(kUtf8Note);
    if (!utf8Bytes.starts_with(mine))
        return std::nullopt;
    const std::string_view body = utf8Bytes.substr(mine.size());
    if (!utf8::isWellFormed(body) || !fitsCp932(body))
        return std::nullopt;
    auto bytes = cp932::encode(body);
    if (!bytes)
        return std::nullopt;
    return std::move(*bytes);
}

} // namespace pellora::profileEncoding
