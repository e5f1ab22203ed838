#include "WindowTestKit.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

namespace pellora {
namespace {

using test::control;

// The window as designed: twips from the top left of the client area, which
// the window must show at 15 twips to the pixel. Tab -1: never takes the focus.
struct Designed {
    const char* name;
    int left, top, width, height;
    const char* caption; // nullptr: text comes from the settings
    int tab;
};

const Designed kDesign[] = {
    {"inputFolderBox", 1440, 120, 4095, 315, nullptr, 0},
    {"inputBrowseButton", 5640, 120, 975, 315, "参照(&I)...", 1},
    {"outputFolderBox", 1440, 540, 4095, 315, nullptr, 2},
    {"outputBrowseButton", 5640, 540, 975, 315, "参照(&O)...", 3},
    {"prefixBox", 1440, 960, 2055, 315, nullptr, 4},
    {"qualityBar", 1980, 1380, 1515, 315, nullptr, 5},
    {"deleteSourcesCheck", 3660, 1380, 2895, 315, "元のスクリーンショットは削除する", 6},
    {"logCheck", 1020, 1860, 2115, 255, "動作ログを保存する", 7},
    {"resultList", 60, 2220, 5355, 1680, nullptr, 8},
    {"moveButton", 5460, 2760, 1215, 495, "移動(&M)", 9},
    {"exitButton", 5460, 3360, 1215, 495, "終了(&X)", 10},
    {"inputFolderCaption", 60, 180, 1335, 255, "コピー元フォルダ", -1},
    {"outputFolderCaption", 60, 600, 1335, 255, "コピー先フォルダ", -1},
    {"prefixCaption", 60, 1020, 1215, 255, "ファイル名", -1},
    {"logCaption", 60, 1860, 915, 255, "動作ログ", -1},
    {"qualityCaption", 60, 1440, 1215, 255, "保存クオリティ", -1},
    {"qualityLabel", 1440, 1380, 435, 315, nullptr, -1},
    {"progressBar", 0, 3945, 6720, 375, nullptr, -1},
};

QRect pixels(const Designed& row)
{
    return QRect(row.left / 15, row.top / 15, row.width / 15, row.height / 15);
}

QString captionOf(const QWidget* widget)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    return {};
}

// The one control named as the row says; none when the name is missing or shared.
const QWidget* find(const QWidget& window, const Designed& row)
{
    const auto found = window.findChildren<QWidget*>(QString::fromLatin1(row.name));
    return found.size() == 1 ? found.front() : nullptr;
}

using MainWindowLayoutTest = test::WindowTest;

TEST_F(MainWindowLayoutTest, EveryControlStandsWhereDesignedWithItsCaption)
{
    auto window = openWindow();
    for (const Designed& row : kDesign) {
        SCOPED_TRACE(row.name);
        const QWidget* widget = find(*window, row);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), pixels(row));
        if (row.caption != nullptr) {
            EXPECT_EQ(captionOf(widget), QString::fromUtf8(row.caption));
        }
        if (row.tab < 0) {
            EXPECT_EQ(widget->focusPolicy() & Qt::TabFocus, 0);
        }
    }
    // Both browse buttons, each its own.
    EXPECT_EQ(window->findChildren<QPushButton*>(QRegularExpression(QStringLiteral("BrowseButton$"))).size(), 2);
}

TEST_F(MainWindowLayoutTest, WindowHasFixedClientAreaAndOnlyACloseBox)
{
    auto window = openWindow();
    EXPECT_EQ(window->objectName(), QStringLiteral("MainWindow"));
    EXPECT_EQ(window->size(), QSize(448, 288));
    EXPECT_EQ(window->minimumSize(), QSize(448, 288));
    EXPECT_EQ(window->maximumSize(), QSize(448, 288));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));

    const QIcon icon = window->windowIcon();
    ASSERT_FALSE(icon.isNull());
    const QImage image = icon.pixmap(32, 32).toImage();
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_FALSE(image.hasAlphaChannel());
}

TEST_F(MainWindowLayoutTest, TabWalksTheControlsInDesignOrderStartingInTheInputBox)
{
    auto window = openWindow();
    activate(*window);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 11; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        visited << focused->objectName();
    }
    const QStringList expected{"inputFolderBox", "inputBrowseButton",  "outputFolderBox", "outputBrowseButton",
                               "prefixBox",      "qualityBar",         "deleteSourcesCheck", "logCheck",
                               "resultList",     "moveButton",         "exitButton",      "inputFolderBox"};
    EXPECT_EQ(visited, expected);
}

TEST_F(MainWindowLayoutTest, ControlsHaveTheirRangesAndNoDefaultButton)
{
    auto window = openWindow();
    auto* scroll = control<QScrollBar>(*window, "qualityBar");
    EXPECT_EQ(scroll->orientation(), Qt::Horizontal);
    EXPECT_EQ(scroll->minimum(), 1);
    EXPECT_EQ(scroll->maximum(), 100);
    EXPECT_EQ(scroll->singleStep(), 1);
    EXPECT_EQ(scroll->pageStep(), 10);
    EXPECT_TRUE(control<QLabel>(*window, "qualityLabel")->alignment().testFlag(Qt::AlignRight));

    auto* list = control<QListWidget>(*window, "resultList");
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_EQ(list->count(), 0);

    auto* progress = control<QProgressBar>(*window, "progressBar");
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 100);
    EXPECT_FALSE(progress->isTextVisible());

    for (const auto* button : window->findChildren<QPushButton*>()) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
    }
}

TEST_F(MainWindowLayoutTest, QualityLabelFollowsCompletedChangesOnly)
{
    auto window = openWindow();
    auto* scroll = control<QScrollBar>(*window, "qualityBar");
    auto* quality = control<QLabel>(*window, "qualityLabel");

    scroll->setSliderDown(true);
    scroll->setSliderPosition(70);
    EXPECT_EQ(quality->text(), QStringLiteral("50")) << "the label must not follow a dragged thumb";
    scroll->setSliderDown(false);
    EXPECT_EQ(quality->text(), QStringLiteral("70"));

    scroll->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(quality->text(), QStringLiteral("80"));
    scroll->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(quality->text(), QStringLiteral("79"));
    scroll->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(quality->text(), QStringLiteral("100"));
    scroll->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(quality->text(), QStringLiteral("1"));
}

} // namespace
} // namespace pellora
