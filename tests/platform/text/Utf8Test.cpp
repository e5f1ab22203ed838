#include "platform/text/Utf8.h"

#include <gtest/gtest.h>

namespace pellora {
namespace {

// Each byte outside a well-formed sequence is one U+FFFD, as the window's
// toolkit decodes it, so text and names read the same in both.
TEST(Utf8, StrayBytesBecomeOneReplacementEach)
{
    const std::string r(utf8::kReplacement);
    const struct {
        const char* name;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"ASCII and a NUL", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"two, three and four bytes", "\u00FA\u3042\U0001F4F7", "\u00FA\u3042\U0001F4F7"},
        {"a stray continuation byte", "a\x80z", "a" + r + "z"},
        {"a sequence cut off", "ok\xE3\x81" "A", "ok" + r + r + "A"},
        {"cut off at the end", "z\xE3", "z" + r},
        {"overlong", "\xC0\xAF\xE0\x80\xAF", r + r + r + r + r},
        {"half of a surrogate pair", "\xED\xA0\x80", r + r + r},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80\xF5", r + r + r + r + r},
        {"the largest code point", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8::wellFormed(c.bytes), c.text) << c.name;
        EXPECT_EQ(utf8::isWellFormed(c.bytes), c.bytes == c.text) << c.name;
    }
}

TEST(Utf8, Utf16CarriesTheSameTextAndHalfAPairBecomesAQuestionMark)
{
    const std::string text = "a\u00FA\u3042\U0001F4F7";
    const std::u16string units = u"a\u00FA\u3042\U0001F4F7";
    EXPECT_EQ(utf8::toUtf16(text), units);
    EXPECT_EQ(utf8::fromUtf16(units), text);
    EXPECT_TRUE(utf8::isWellFormed(units));
    EXPECT_EQ(utf8::toUtf16("a\xFF"), u"a\uFFFD");

    const std::u16string halves[] = {{u'a', 0xD83D}, {0xDC00, u'b'}, {0xD83D, 0xD83D, 0xDCF7}};
    const std::string expected[] = {"a?", "?b", "?\U0001F4F7"};
    for (size_t i = 0; i < std::size(halves); ++i) {
        EXPECT_EQ(utf8::fromUtf16(halves[i]), expected[i]) << i;
        EXPECT_FALSE(utf8::isWellFormed(halves[i])) << i;
    }
}

} // namespace
} // namespace pellora
