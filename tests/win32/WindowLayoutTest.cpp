#include "win32/WindowLayout.h"

#include <gtest/gtest.h>

namespace pellora::win32 {
namespace {

using windowDesign::Control;

TEST(WindowLayoutTest, AtNinetySixDpiEveryTwipValueIsFifteenthsOfAPixel)
{
    const WindowLayout layout(96);
    for (const windowDesign::Row& row : windowDesign::kRows) {
        SCOPED_TRACE(static_cast<int>(row.control));
        const windowDesign::TwipRect& twips = row.place;
        EXPECT_EQ(layout.place(row.control),
                  (PixelRect{twips.left / 15, twips.top / 15, twips.width / 15, twips.height / 15}));
    }
    EXPECT_EQ(layout.clientArea(), (PixelRect{0, 0, 448, 288}));
    EXPECT_EQ(layout.place(Control::InputFolderBox), (PixelRect{96, 8, 273, 21}));
    EXPECT_EQ(layout.place(Control::ProgressBar), (PixelRect{0, 263, 448, 25}));
}

// Each edge is rounded by itself: what meets or ends at the client area's
// edge in the design does at every scale.
TEST(WindowLayoutTest, ScaledLayoutsKeepEdgesWhereTheDesignHasThem)
{
    struct Scale {
        unsigned dpi;
        PixelRect client;
        PixelRect inputBox;
    };
    const Scale scales[] = {
        {120, {0, 0, 560, 360}, {120, 10, 341, 26}}, // right edge 461.25, bottom 36.25
        {144, {0, 0, 672, 432}, {144, 12, 410, 32}}, // right edge 553.5, bottom 43.5: up
        {168, {0, 0, 784, 504}, {168, 14, 478, 37}},
        {192, {0, 0, 896, 576}, {192, 16, 546, 42}},
    };
    for (const Scale& scale : scales) {
        SCOPED_TRACE(scale.dpi);
        const WindowLayout layout(scale.dpi);
        EXPECT_EQ(layout.clientArea(), scale.client);
        EXPECT_EQ(layout.place(Control::InputFolderBox), scale.inputBox);
        const PixelRect progress = layout.place(Control::ProgressBar);
        EXPECT_EQ(progress.left, 0);
        EXPECT_EQ(progress.width, scale.client.width) << "across the whole width";
        EXPECT_EQ(progress.top + progress.height, scale.client.height) << "on the bottom edge";
        const PixelRect label = layout.place(Control::QualityLabel);
        const PixelRect box = layout.place(Control::InputFolderBox);
        EXPECT_EQ(label.left, box.left) << "what starts together in the design still does";
    }
}

TEST(WindowLayoutTest, ScaledLengthsRoundHalvesUp)
{
    EXPECT_EQ(WindowLayout(96).scaled(10), 10);
    EXPECT_EQ(WindowLayout(144).scaled(3), 5); // 4.5
    EXPECT_EQ(WindowLayout(120).scaled(6), 8); // 7.5
    EXPECT_EQ(WindowLayout(0).dpi(), 96u) << "a DPI the system would not say is the design's";
}

} // namespace
} // namespace pellora::win32
