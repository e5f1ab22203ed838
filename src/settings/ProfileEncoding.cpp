#include "settings/ProfileEncoding.h"

#include "platform/text/Cp932.h"

namespace pellora::profileEncoding {

namespace {

QString fromUtf8(std::string_view bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())); }

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
