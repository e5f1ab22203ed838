#include "platform/text/NaturalOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace pellora {
namespace {

// Each row is a pair of names in the order they must come in.
TEST(NaturalOrder, PutsNamesInTheOrderPeopleReadThem)
{
    struct Row {
        const char* before;
        const char* after;
    };
    const Row rows[] = {
        {"ScreenShot2.tga", "ScreenShot10.tga"},          // digits as numbers
        {"ScreenShot9.tga", "screenshot10.tga"},          // whatever the case
        {"shot1.tga", "shot1a.tga"},                      // a shorter name first
        {"shot1x2.tga", "shot1x10.tga"},                  // every run counts
        {"shot007.tga", "shot8.tga"},                     // zeros do not make a number larger
        {"shot7.tga", "shot007.tga"},                     // the same number: fewer zeros first
        {"shot0.tga", "shot00.tga"},
        {"shot07_9.tga", "shot7_10.tga"},                 // the number decides before the zeros
        {"a07b.tga", "A7C.tga"},                          // and so does the text after it
        {"2024-01-05_10-03-07.tga", "2024-01-05_10-03-08.tga"},   // dated names keep their order
        {"2024-01-05_09-59-59.tga", "2024-01-05_10-00-00.tga"},
        {"2023-12-31_23-59-59.tga", "2024-01-01_00-00-00.tga"},
        {"shot099.tga", "shot100.tga"},                   // zero-padded ones too
        {"99999999999999999999.tga", "100000000000000000000.tga"},  // longer than any integer
        {"A.tga", "b.TGA"},                               // case-blind text
        {"b.tga", "_d.tga"},                              // '_' after the letters, as Windows lists
        {"shot 2.tga", "shot2.tga"},                      // a blank before the digits
        {"shot9.tga", "shot_1.tga"},                      // digits before '_', whatever the number
        {"shot10.tga", "shotA.tga"},                      // and before letters
        {"SHOT1.tga", "shot1.tga"},                       // names alike but for case: by bytes
        {"ｓｈｏｔ2.tga", "ｓｈｏｔ10.tga"},              // wide letters, plain digits
        {"shot\xFF" "2.tga", "shot\xFF" "10.tga"},        // a stray byte in front
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.before) + " < " + row.after);
        EXPECT_TRUE(NaturalOrder(row.before) < NaturalOrder(row.after));
        EXPECT_TRUE(NaturalOrder(row.after) > NaturalOrder(row.before));
        EXPECT_FALSE(NaturalOrder(row.before) == NaturalOrder(row.after));
    }
    EXPECT_TRUE(NaturalOrder("shot10.tga") == NaturalOrder("shot10.tga"));
    EXPECT_TRUE((NaturalOrder("shot10.tga") <=> NaturalOrder("shot10.tga")) == 0);
}

// Sorting must give one order whatever the names were handed in: a sort
// with an order that is not total would mix up the serial numbers.
TEST(NaturalOrder, SortsToOneOrderFromAnyStart)
{
    const std::vector<std::string> expected = {
        "ScreenShot1.tga", "screenshot01.tga", "ScreenShot001.tga", "ScreenShot2.tga", "ScreenShot9.tga",
        "ScreenShot10.tga", "ScreenShot11.tga", "SCREENSHOT20.tga", "ScreenShot20.tga", "ScreenShot100.tga",
        "ScreenShotA.tga", "ScreenShot_1.tga",
    };
    std::vector<std::string> names = expected;
    std::mt19937 random(22);
    for (int round = 0; round < 50; ++round) {
        std::shuffle(names.begin(), names.end(), random);
        std::sort(names.begin(), names.end(),
                  [](const std::string& a, const std::string& b) { return NaturalOrder(a) < NaturalOrder(b); });
        ASSERT_EQ(names, expected) << "round " << round;
    }
}

} // namespace
} // namespace pellora
