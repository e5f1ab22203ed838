#include "settings/ProfileEncoding.h"

#include "platform/text/Cp932.h"

namespace pellora::profileEncoding {

namespace {

QString fromUtf8(std::string_view bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())); }

std::string stdString(const QByteArray& bytes) { return std::string(bytes.constData(), static_cast<size_t>(bytes.size())); }

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
QString fromUtf16(std::string_view body, ByteOrder order)
{
    QString text(static_cast<qsizetype>(body.size() / 2), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto first = static_cast<unsigned char>(body[2 * static_cast<size_t>(i)]);
        const auto second = static_cast<unsigned char>(body[2 * static_cast<size_t>(i) + 1]);
        text[i] = QChar(static_cast<char16_t>(order == ByteOrder::LittleEndian ? (second << 8 | first) : (first << 8 | second)));
    }
    return text;
}

std::string toUtf16(const QString& text, ByteOrder order)
{
    std::string bytes(order == ByteOrder::LittleEndian ? kUtf16LeBom : kUtf16BeBom);
    for (const QChar c : text) {
        const auto high = static_cast<char>(c.unicode() >> 8);
        const auto low = static_cast<char>(c.unicode() & 0xFF);
        bytes += order == ByteOrder::LittleEndian ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

} // namespace

bool fitsCp932(const QString& text)
{
    return cp932::decode(cp932::encode(text)) == text;
}

bool fitsUtf8(const QString& text)
{
    return QString::fromUtf8(text.toUtf8()) == text;
}

std::optional<std::string> toUtf8(std::string_view cp932Bytes)
{
    const QString text = cp932::decode(cp932Bytes);
    if (cp932::encode(text) != cp932Bytes)
        return std::nullopt;
    const QByteArray utf8 = text.toUtf8();
    return std::string(kUtf8Bom) + std::string(kUtf8Note) + std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
}

Editable editable(std::string fileBytes)
{
    const auto order = utf16Order(fileBytes);
    if (!order) {
        const bool rewritable = !opensWithUtf32Mark(fileBytes);
        return {std::move(fileBytes), std::nullopt, rewritable};
    }
    const std::string_view body = std::string_view(fileBytes).substr(kUtf16LeBom.size());
    const QString text = fromUtf16(body, *order);
    // Half of a surrogate pair has no UTF-8 form and would come back as another character.
    const bool rewritable = body.size() % 2 == 0 && text.isValidUtf16() && !opensWithUtf32Mark(fileBytes);
    return {std::string(kUtf8Bom) + stdString(text.toUtf8()), order, rewritable};
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
    const QString text = fromUtf8(body);
    if (stdString(text.toUtf8()) != body)
        return std::nullopt;
    return toUtf16(text, *original.utf16);
}

std::optional<std::string> backToCp932(std::string_view utf8Bytes)
{
    const std::string mine = std::string(kUtf8Bom) + std::string(kUtf8Note);
    if (!utf8Bytes.starts_with(mine))
        return std::nullopt;
    const std::string_view body = utf8Bytes.substr(mine.size());
    const QString text = fromUtf8(body);
    const QByteArray again = text.toUtf8();
    if (std::string_view(again.constData(), static_cast<size_t>(again.size())) != body || !fitsCp932(text))
        return std::nullopt;
    return cp932::encode(text);
}

} // namespace pellora::profileEncoding
