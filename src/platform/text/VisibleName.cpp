#include "platform/text/VisibleName.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pellora {

namespace {

// One character of a name, or one byte that starts none.
struct Piece {
    char32_t codePoint = 0;
    std::size_t length = 1;
    bool valid = true;
};

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
Piece pieceAt(std::string_view bytes, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80)
        return Piece{lead, 1, true};
    std::size_t length = 0;
    char32_t codePoint = 0, lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, codePoint = lead & 0x1F, lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, codePoint = lead & 0x0F, lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, codePoint = lead & 0x07, lowest = 0x10000;
    } else {
        return Piece{0, 1, false};
    }
    if (bytes.size() - at < length)
        return Piece{0, 1, false};
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[at + i]);
        if (!isContinuation(byte))
            return Piece{0, 1, false};
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    if (codePoint < lowest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return Piece{0, 1, false};
    return Piece{codePoint, length, true};
}

bool inRange(char32_t c, char32_t first, char32_t last)
{
    return c >= first && c <= last;
}

QString hex(unsigned value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0'));
}

// The escape a character is shown as, or nothing when it shows as itself.
std::optional<QString> escapeFor(char32_t c)
{
    switch (c) {
    case u'\t': return QStringLiteral("\\t");
    case u'\n': return QStringLiteral("\\n");
    case u'\r': return QStringLiteral("\\r");
    default: break;
    }
    if (c < 0x20 || c == 0x7F)
        return QStringLiteral("\\x") + hex(c, 2);
    if (inRange(c, 0x80, 0x9F) || inRange(c, 0x2028, 0x2029) || inRange(c, 0x202A, 0x202E) ||
        inRange(c, 0x2066, 0x2069))
        return QStringLiteral("\\u") + hex(c, 4);
    return std::nullopt;
}

// What a piece is shown as.
QString shown(const Piece& piece, unsigned char firstByte)
{
    if (!piece.valid)
        return QStringLiteral("\\x") + hex(firstByte, 2);
    if (const auto escape = escapeFor(piece.codePoint))
        return *escape;
    return QString::fromUcs4(&piece.codePoint, 1);
}

// A backslash followed by these would read as the start of an escape.
bool startsAnEscape(QChar next)
{
    return next == u'\\' || next == u't' || next == u'n' || next == u'r' || next == u'x' || next == u'u';
}

} // namespace

QString visibleName(std::string_view utf8Bytes)
{
    // Each piece as shown; a literal backslash is decided once its follower is known.
    std::vector<QString> shownPieces;
    std::vector<bool> literalBackslash;
    for (std::size_t at = 0; at < utf8Bytes.size();) {
        const Piece piece = pieceAt(utf8Bytes, at);
        shownPieces.push_back(shown(piece, static_cast<unsigned char>(utf8Bytes[at])));
        literalBackslash.push_back(piece.valid && piece.codePoint == u'\\');
        at += piece.length;
    }
    QString text;
    text.reserve(static_cast<qsizetype>(utf8Bytes.size()));
    for (std::size_t i = 0; i < shownPieces.size(); ++i) {
        const bool beforeEscapeLike = i + 1 < shownPieces.size() && startsAnEscape(shownPieces[i + 1].front());
        if (literalBackslash[i] && beforeEscapeLike)
            text += u'\\';
        text += shownPieces[i];
    }
    return text;
}

QString visibleName(const std::filesystem::path& name)
{
#ifdef _WIN32
    const QByteArray utf8 = QString::fromStdWString(name.native()).toUtf8();
    return visibleName(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
#else
    return visibleName(std::string_view(name.native()));
#endif
}

} // namespace pellora
