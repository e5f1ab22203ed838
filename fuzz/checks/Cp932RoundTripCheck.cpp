#include "checks/Cp932RoundTripCheck.h"

#include "platform/text/Cp932.h"

#include <QList>
#include <QString>

#include <string_view>
#include <unordered_map>

namespace pellora::fuzz {

namespace {

std::string hexOf(std::string_view bytes)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += hex[c >> 4];
        out += hex[c & 15];
        out += ' ';
    }
    return out;
}

std::string hexOf(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return hexOf(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// What one character becomes after encode and decode: itself when the code
// page holds it. Remembered, since a fuzzer sees the same characters often.
QString throughCodec(char32_t codePoint)
{
    static std::unordered_map<char32_t, QString> seen;
    auto found = seen.find(codePoint);
    if (found != seen.end())
        return found->second;
    // Not QString::fromUcs4, which drops U+FEFF as a byte-order mark.
    const QString text = QStringView(QChar::fromUcs4(codePoint)).toString();
    const QString back = cp932::decode(cp932::encode(text));
    seen.emplace(codePoint, back);
    return back;
}

std::optional<std::string> checkDecodedText(std::string_view bytes)
{
    const QString text = cp932::decode(bytes);
    const std::string encoded = cp932::encode(text);
    const QString again = cp932::decode(encoded);
    if (again != text)
        return "bytes " + hexOf(bytes) + "decode to " + hexOf(text) + "but after encode and decode to "
            + hexOf(again);
    return std::nullopt;
}

std::optional<std::string> checkAnyText(std::string_view bytes)
{
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString expected;
    for (uint codePoint : text.toUcs4())
        expected += throughCodec(codePoint);
    const QString back = cp932::decode(cp932::encode(text));
    if (back != expected)
        return "text " + hexOf(text) + "came back as " + hexOf(back) + "instead of " + hexOf(expected);
    return std::nullopt;
}

} // namespace

std::optional<std::string> Cp932RoundTripCheck::run(std::span<const std::uint8_t> input)
{
    const std::string_view bytes(reinterpret_cast<const char*>(input.data()), input.size());
    if (auto problem = checkDecodedText(bytes))
        return problem;
    return checkAnyText(bytes);
}

} // namespace pellora::fuzz
