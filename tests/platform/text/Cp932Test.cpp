#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

namespace pellora {
namespace {

std::string encoded(std::string_view text)
{
    const auto bytes = cp932::encode(text);
    EXPECT_TRUE(bytes.has_value());
    return bytes ? *bytes : std::string("<failed>");
}

std::string decoded(std::string_view bytes)
{
    const auto text = cp932::decode(bytes);
    EXPECT_TRUE(text.has_value());
    return text ? *text : std::string("<failed>");
}

TEST(Cp932, EncodesJapaneseAsShiftJisBytes)
{
    EXPECT_EQ(encoded("---処理開始--- ["), std::string("\x2D\x2D\x2D\x8F\x88\x97\x9D\x8A\x4A\x8E\x6E\x2D\x2D\x2D\x20\x5B", 16));
    // The backslash stays a backslash (folders), the full-width question mark is double-byte.
    EXPECT_EQ(encoded("C:\\か？"), std::string("C:\\\x82\xA9\x81\x48"));
}

TEST(Cp932, RoundTripsWhatTheCodePageHolds)
{
    const std::string text = "コピー先フォルダが無効です。\r\n新しく作成しますか？ ｱｲｳ ①";
    EXPECT_EQ(decoded(encoded(text)), text);
}

TEST(Cp932, SubstitutesOneCharacterForEachItCannotHold)
{
    // An emoji (beyond the basic plane), a Korean syllable, a lone surrogate
    // (written as UTF-8 would write it, had it a form).
    EXPECT_EQ(encoded("a😀b한c\xED\xA0\x80"), "a?b?c?");
    // Bytes that are no UTF-8 cost one each; what follows them stays.
    EXPECT_EQ(encoded("\xE3\x81z\x80\xFFy"), "?z??y");
}

TEST(Cp932, DecodesBrokenBytesWithoutLosingTheRest)
{
    // A lead byte at the end, and an invalid trail byte.
    EXPECT_EQ(decoded(std::string("ok\x82", 3)), "ok?");
    EXPECT_EQ(decoded(std::string("\x82\x20z", 3)), "? z");
    EXPECT_EQ(decoded(std::string("a\0b", 3)), std::string("a\0b", 3));
}

} // namespace
} // namespace pellora
