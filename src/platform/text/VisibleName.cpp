#include "platform/text/VisibleName.h"

#include "platform/text/PathText.h"
#include "platform/text/Utf8.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace pellora {

namespace {

bool inRange(char32_t c, char32_t first, char32_t last)
{
    return c >= first && c <= last;
}

// `prefix` and the value in `digits` lower-case hexadecimal digits.
std::string escaped(const char* prefix, unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%s%0*x", prefix, digits, value);
    return text;
}

// The escape a character is shown as, or nothing when it shows as itself.
std::optional<std::string> escapeFor(char32_t c)
{
    switch (c) {
    case U'\t': return "\\t";
    case U'\n': return "\\n";
    case U'\r': return "\\r";
    default: break;
    }
    if (c < 0x20 || c == 0x7F)
        return escaped("\\x", c, 2);
    if (inRange(c, 0x80, 0x9F) || inRange(c, 0x2028, 0x2029) || inRange(c, 0x202A, 0x202E) ||
        inRange(c, 0x2066, 0x2069))
        return escaped("\\u", c, 4);
    return std::nullopt;
}

// What one character, or one byte that starts none, is shown as.
std::string shown(const utf8::Sequence& piece, std::string_view bytes)
{
    if (!piece.wellFormed)
        return escaped("\\x", static_cast<unsigned char>(bytes[0]), 2);
    if (const auto escape = escapeFor(piece.codePoint))
        return *escape;
    return std::string(bytes.substr(0, piece.length));
}

// A backslash followed by these would read as the start of an escape.
bool startsAnEscape(char next)
{
    return next == '\\' || next == 't' || next == 'n' || next == 'r' || next == 'x' || next == 'u';
}

} // namespace

std::string visibleName(std::string_view utf8Bytes)
{
    // Each piece as shown; a literal backslash is decided once its follower is known.
    std::vector<std::string> shownPieces;
    std::vector<bool> literalBackslash;
    for (std::string_view rest = utf8Bytes; !rest.empty();) {
        const utf8::Sequence piece = utf8::first(rest);
        shownPieces.push_back(shown(piece, rest));
        literalBackslash.push_back(piece.wellFormed && piece.codePoint == U'\\');
        rest.remove_prefix(piece.length);
    }
    std::string text;
    text.reserve(utf8Bytes.size());
    for (std::size_t i = 0; i < shownPieces.size(); ++i) {
        const bool beforeEscapeLike = i + 1 < shownPieces.size() && startsAnEscape(shownPieces[i + 1].front());
        if (literalBackslash[i] && beforeEscapeLike)
            text += '\\';
        text += shownPieces[i];
    }
    return text;
}

std::string visibleName(const std::filesystem::path& name)
{
#ifdef _WIN32
    return visibleName(std::string_view(pathText::toText(name)));
#else
    return visibleName(std::string_view(name.native()));
#endif
}

} // namespace pellora
