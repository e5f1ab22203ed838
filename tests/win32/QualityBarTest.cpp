#include "win32/QualityBar.h"

#include <gtest/gtest.h>

namespace pellora::win32 {
namespace {

// What each of the bar's requests makes of a value: arrows by 1, the track
// by 10, the ends, the thumb's release; nothing beyond the ends, and nothing
// while the thumb is dragged.
TEST(QualityBarTest, EachRequestMovesTheValueAsDesigned)
{
    struct Case {
        int request;
        int current;
        int released;
        std::optional<int> wanted;
    };
    const Case cases[] = {
        {SB_LINELEFT, 50, 0, 49},  {SB_LINERIGHT, 50, 0, 51},     {SB_PAGELEFT, 50, 0, 40},
        {SB_PAGERIGHT, 50, 0, 60}, {SB_LEFT, 50, 0, 1},           {SB_RIGHT, 50, 0, 100},
        {SB_PAGELEFT, 5, 0, 1},    {SB_PAGERIGHT, 95, 0, 100},    {SB_LINELEFT, 1, 0, std::nullopt},
        {SB_LINERIGHT, 100, 0, std::nullopt},                     {SB_THUMBPOSITION, 50, 73, 73},
        {SB_THUMBPOSITION, 50, 50, std::nullopt},                 {SB_THUMBTRACK, 50, 73, std::nullopt},
        {SB_ENDSCROLL, 50, 0, std::nullopt},                      {SB_THUMBPOSITION, 50, 0, 1},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(std::to_string(each.request) + " at " + std::to_string(each.current));
        EXPECT_EQ(QualityBar::valueAfter(each.request, each.current, each.released), each.wanted);
    }
}

// Without a bar to move, the wheel's arithmetic alone: notches, what is
// left of one, and a device that reports far more than the range at once.
TEST(QualityBarTest, TheWheelStepsANotchAtATimeAndKeepsWhatIsShortOfOne)
{
    QualityBar bar;
    bar.setValue(50);
    EXPECT_EQ(bar.wheel(-2 * WHEEL_DELTA, false), 52);
    EXPECT_EQ(bar.wheel(WHEEL_DELTA, false), 51);
    EXPECT_EQ(bar.wheel(WHEEL_DELTA / 3, false), std::nullopt);
    EXPECT_EQ(bar.wheel(WHEEL_DELTA / 3, false), std::nullopt);
    EXPECT_EQ(bar.wheel(WHEEL_DELTA / 3, false), 50) << "three thirds make a notch";
    EXPECT_EQ(bar.wheel(2 * WHEEL_DELTA, true), 52) << "tilted right goes up";
    EXPECT_EQ(bar.wheel(-1000000 * WHEEL_DELTA, false), 100);
    EXPECT_EQ(bar.wheel(-WHEEL_DELTA, false), std::nullopt) << "already at the end";
}

} // namespace
} // namespace pellora::win32
