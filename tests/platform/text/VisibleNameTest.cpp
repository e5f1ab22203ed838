#include "platform/text/VisibleName.h"

#include "platform/text/PathText.h"
#include "platform/text/Utf8.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace pellora {
namespace {

struct NameCase {
    std::string bytes; // the name as the folder holds it
    const char* shown; // UTF-8
};

const NameCase kNameCases[] = {
    // Ordinary names show as they are.
    {"shot.tga", "shot.tga"},
    {"スクショ1.tga", "スクショ1.tga"},
    {"\xf0\x9f\x98\x80.tga", "\xf0\x9f\x98\x80.tga"},
    {"nbsp\xc2\xa0.tga", "nbsp\xc2\xa0.tga"}, // U+00A0: just past the C1 controls
    {"\xef\xbf\xbd.tga", "\xef\xbf\xbd.tga"}, // a real U+FFFD is a character like any other
    {"\xef\xbb\xbf" "a.tga", "\xef\xbb\xbf" "a.tga"}, // U+FEFF too, never dropped as a byte-order mark
    {"", ""},
    // What breaks a line or a tab-separated field.
    {"a\nb.tga", "a\\nb.tga"},
    {"a\r\n.tga", "a\\r\\n.tga"},
    {"\ttab.tga", "\\ttab.tga"},
    // Other C0 controls and DEL.
    {std::string("nul\0.tga", 8), "nul\\x00.tga"},
    {"\x1b[2J\x1b[31mred.tga", "\\x1b[2J\\x1b[31mred.tga"},
    {"bell\x07.tga", "bell\\x07.tga"},
    {"\x1f\x7f.tga", "\\x1f\\x7f.tga"},
    // C1 controls, as UTF-8: a terminal may take U+009B for the start of an escape sequence.
    {"\xc2\x80\xc2\x85\xc2\x9b\xc2\x9f.tga", "\\u0080\\u0085\\u009b\\u009f.tga"},
    // Line and paragraph separators; text direction overrides and isolates.
    {"a\xe2\x80\xa8" "b\xe2\x80\xa9.tga", "a\\u2028b\\u2029.tga"},
    {"\xe2\x80\xaegpj.tga", "\\u202egpj.tga"},
    {"\xe2\x80\xaa\xe2\x81\xa6\xe2\x81\xa9.tga", "\\u202a\\u2066\\u2069.tga"},
    {"\xe2\x80\xa7\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa.tga", "\xe2\x80\xa7\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa.tga"},
    // Bytes that are no UTF-8, each shown as its value.
    {"M\xfasica.tga", "M\\xfasica.tga"},
    {"\xff\xfe.tga", "\\xff\\xfe.tga"},
    {"cut\xe3\x82", "cut\\xe3\\x82"},
    {"\xc3(.tga", "\\xc3(.tga"},
    {"\xc0\x80.tga", "\\xc0\\x80.tga"},                   // overlong NUL
    {"\xe0\x80\xaf.tga", "\\xe0\\x80\\xaf.tga"},          // overlong '/'
    {"\xed\xa0\x80.tga", "\\xed\\xa0\\x80.tga"},          // a surrogate
    {"\xf4\x90\x80\x80.tga", "\\xf4\\x90\\x80\\x80.tga"}, // past U+10FFFF
    {"\xc2\x85\x85.tga", "\\u0085\\x85.tga"},              // the C1 character and a lone byte of it differ
    // A backslash stays one unless what follows would make it read as an escape.
    {"a\\b.tga", "a\\b.tga"},
    {"a\\", "a\\"},
    {"a\\x41.tga", "a\\\\x41.tga"},
    {"a\\n.tga", "a\\\\n.tga"},
    {"\\u0085.tga", "\\\\u0085.tga"},
    {"a\\\\b.tga", "a\\\\\\b.tga"},
    {"a\\\x1b.tga", "a\\\\\\x1b.tga"},
    {"a\\\xff.tga", "a\\\\\\xff.tga"},
};

TEST(VisibleName, ShowsEveryNameOnOneLineAndOrdinaryNamesAsTheyAre)
{
    for (const NameCase& c : kNameCases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(visibleName(std::string_view(c.bytes)), c.shown);
#ifdef _WIN32
        // A Windows name is UTF-16: bytes that are no UTF-8 cannot name a file there.
        if (!utf8::isWellFormed(c.bytes))
            continue;
#endif
        EXPECT_EQ(visibleName(pathText::toPath(c.bytes)), c.shown);
    }
}

// Reads a shown name back into the bytes it stands for, as a person or a
// script would; the rule fails the test where a shown name is ambiguous.
// The code points of well-formed UTF-8 text.
std::u32string codePointsOf(const std::string& text)
{
    std::u32string codePoints;
    for (std::string_view rest = text; !rest.empty();) {
        const utf8::Sequence sequence = utf8::first(rest);
        EXPECT_TRUE(sequence.wellFormed) << text;
        codePoints += sequence.codePoint;
        rest.remove_prefix(sequence.length);
    }
    return codePoints;
}

std::string readBack(const std::string& shown)
{
    const std::u32string text = codePointsOf(shown);
    std::string bytes;
    auto hexAt = [&](std::size_t at, std::size_t digits) {
        return std::stoul(std::string(text.begin() + static_cast<long>(at), text.begin() + static_cast<long>(at + digits))
                              .c_str(),
                          nullptr, 16);
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t next = i + 1 < text.size() ? text[i + 1] : 0;
        if (text[i] != U'\\' || (next != U'\\' && next != U't' && next != U'n' && next != U'r' && next != U'x' &&
                                 next != U'u')) {
            utf8::append(bytes, text[i]);
            continue;
        }
        switch (next) {
        case U'\\': bytes += '\\'; break;
        case U't': bytes += '\t'; break;
        case U'n': bytes += '\n'; break;
        case U'r': bytes += '\r'; break;
        case U'x': bytes += static_cast<char>(hexAt(i + 2, 2)), i += 2; break;
        default: { // u
            const char32_t c = static_cast<char32_t>(hexAt(i + 2, 4));
            utf8::append(bytes, c);
            i += 4;
        }
        }
        ++i;
    }
    return bytes;
}

bool holdsNothingATerminalActsOn(const std::string& shown)
{
    for (const char32_t c : codePointsOf(shown)) {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) ||
            (c >= 0x2066 && c <= 0x2069))
            return false;
    }
    return true;
}

// Two names never show alike: whatever the bytes, the shown name reads back
// into exactly them, and holds no control character of its own.
TEST(VisibleName, EveryNameReadsBackIntoItsOwnBytes)
{
    for (const NameCase& c : kNameCases)
        EXPECT_EQ(readBack(visibleName(std::string_view(c.bytes))), c.bytes) << c.shown;

    // Built from the pieces that could confuse a reader, at random.
    const std::string pieces[] = {"\\", "t", "n", "x", "u", "0", "8", "5", "1b", "a", "\n", "\r", "\t", "\x1b",
                                  "\x7f", "\xc2\x85", "\xc2", "\x85", "\xff", "\xe2\x80\xa8", "\xe3\x82\xb9", "."};
    std::mt19937 random(18);
    for (int round = 0; round < 20000; ++round) {
        std::string name;
        const auto length = random() % 9;
        for (unsigned i = 0; i < length; ++i)
            name += pieces[random() % std::size(pieces)];
        const std::string shown = visibleName(std::string_view(name));
        ASSERT_EQ(readBack(shown), name) << shown;
        ASSERT_TRUE(holdsNothingATerminalActsOn(shown)) << shown;
    }
}

} // namespace
} // namespace pellora
