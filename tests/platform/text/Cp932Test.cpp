#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

namespace pellora {
namespace {

TEST(Cp932, EncodesJapaneseAsShiftJisBytes)
{
    EXPECT_EQ(cp932::encode(QStringLiteral("---処理開始--- [")),
              std::string("\x2D\x2D\x2D\x8F\x88\x97\x9D\x8A\x4A\x8E\x6E\x2D\x2D\x2D\x20\x5B", 16));
    // The backslash stays a backslash (folders), the full-width question mark is double-byte.
    EXPECT_EQ(cp932::encode(QStringLiteral("C:\\か？")), std::string("C:\\\x82\xA9\x81\x48"));
}

TEST(Cp932, RoundTripsWhatTheCodePageHolds)
{
    const QString text = QStringLiteral("コピー先フォルダが無効です。\r\n新しく作成しますか？ ｱｲｳ ①");
    EXPECT_EQ(cp932::decode(cp932::encode(text)), text);
}

TEST(Cp932, SubstitutesOneCharacterForEachItCannotHold)
{
    // An emoji (a surrogate pair), a Korean syllable, a lone surrogate.
    QString text = QStringLiteral("a😀b한c");
    text += QChar(0xD800);
    EXPECT_EQ(cp932::encode(text), "a?b?c?");
}

TEST(Cp932, DecodesBrokenBytesWithoutLosingTheRest)
{
    // A lead byte at the end, and an invalid trail byte.
    EXPECT_EQ(cp932::decode(std::string("ok\x82", 3)), QStringLiteral("ok?"));
    EXPECT_EQ(cp932::decode(std::string("\x82\x20z", 3)), QStringLiteral("? z"));
    EXPECT_EQ(cp932::decode(std::string("a\0b", 3)), QString::fromUtf16(u"a\0b", 3));
}

} // namespace
} // namespace pellora
