#include "platform/text/UnicodeCase.h"

#include <gtest/gtest.h>

namespace pellora {
namespace {

// Upper case as Windows compares file names: one character for one, in
// every script that has case, and nothing else touched.
TEST(UnicodeCase, UpperCaseCharacterByCharacter)
{
    struct Row {
        const char* text;
        const char* upper;
    };
    const Row rows[] = {
        {"shot_a.tga", "SHOT_A.TGA"},
        {"äöü éñ", "ÄÖÜ ÉÑ"},
        {"ａｂｃ", "ＡＢＣ"},               // full-width letters
        {"ωσς", "ΩΣΣ"},                     // Greek, final sigma too
        {"жёлтый", "ЖЁЛТЫЙ"},               // Cyrillic
        {"āăą", "ĀĂĄ"},                     // Latin Extended-A, every other code point
        {"スクショ画像", "スクショ画像"},   // no case
        {"ß", "ß"},                         // one character stays one
        {"𐐨", "𐐀"},                        // beyond the basic plane (Deseret)
        {"a\xFF" "b", "A\xFF" "B"},         // a stray byte stays
    };
    for (const Row& row : rows)
        EXPECT_EQ(unicodeCase::toUpper(row.text), row.upper) << row.text;
}

TEST(UnicodeCase, CaseBlindStartAndEnd)
{
    struct Row {
        const char* text;
        const char* part;
        bool starts, ends;
        std::size_t matched; // bytes of `text` a matching start covers
    };
    const Row rows[] = {
        {"SSHOT012.jpg", "sshot", true, false, 5},
        {"a.TGA", ".tga", false, true, 0},
        {"Ａ.tga", "ａ", true, false, 3},
        {"ΣΟΦΙΑ.tga", "σοφια", true, false, 10},
        {"KELVIN", "\u212Aelvin", true, true, 6}, // the Kelvin sign folds to k
        {"shot.tga", "", true, true, 0},
        {"sh", "shot", false, false, 0},
        {"ıx", "ix", false, false, 0}, // dotless i is no i
        {"x.tga\xFF", ".tga", false, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.text) + " / " + row.part);
        std::size_t matched = 99;
        EXPECT_EQ(unicodeCase::startsWithIgnoringCase(row.text, row.part, &matched), row.starts);
        if (row.starts) {
            EXPECT_EQ(matched, row.matched);
        }
        EXPECT_EQ(unicodeCase::endsWithIgnoringCase(row.text, row.part), row.ends);
    }
}

} // namespace
} // namespace pellora
