#include "WindowTestKit.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
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
    {"txtInDir", 1440, 120, 4095, 315, nullptr, 0},
    {"cmdFolder", 5640, 120, 975, 315, "参照(&I)...", 1},
    {"txtOutDir", 1440, 540, 4095, 315, nullptr, 2},
    {"cmdFolder", 5640, 540, 975, 315, "参照(&O)...", 3},
    {"txtMatch", 1440, 960, 2055, 315, nullptr, 4},
    {"HScroll1", 1980, 1380, 1515, 315, nullptr, 5},
    {"chkDel", 3660, 1380, 2895, 315, "元のスクリーンショットは削除する", 6},
    {"chkLog", 1020, 1860, 2115, 255, "動作ログを保存する", 7},
    {"List1", 60, 2220, 5355, 1680, nullptr, 8},
    {"cmdMove", 5460, 2760, 1215, 495, "移動(&M)", 9},
    {"cmdExit", 5460, 3360, 1215, 495, "終了(&X)", 10},
    {"Label1", 60, 180, 1335, 255, "コピー元フォルダ", -1},
    {"Label2", 60, 600, 1335, 255, "コピー先フォルダ", -1},
    {"Label3", 60, 1020, 1215, 255, "ファイル名", -1},
    {"Label4", 60, 1860, 915, 255, "動作ログ", -1},
    {"Label5", 60, 1440, 1215, 255, "保存クオリティ", -1},
    {"lblQua", 1440, 1380, 435, 315, nullptr, -1},
    {"ProgressBar", 0, 3945, 6720, 375, nullptr, -1},
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

// The two browse buttons share their name; the one wanted is told by its index.
const QWidget* find(const QWidget& window, const Designed& row)
{
    if (QString::fromLatin1(row.name) != QStringLiteral("cmdFolder"))
        return window.findChild<QWidget*>(QString::fromLatin1(row.name));
    const int index = row.tab == 1 ? 0 : 1;
    for (const auto* button : window.findChildren<QPushButton*>(QStringLiteral("cmdFolder")))
        if (button->property("index").toInt() == index)
            return button;
    return nullptr;
}

using frmMainLayoutTest = test::WindowTest;

TEST_F(frmMainLayoutTest, EveryControlStandsWhereDesignedWithItsCaption)
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
    EXPECT_EQ(window->findChildren<QPushButton*>(QStringLiteral("cmdFolder")).size(), 2);
}

TEST_F(frmMainLayoutTest, WindowHasFixedClientAreaAndOnlyACloseBox)
{
    auto window = openWindow();
    EXPECT_EQ(window->objectName(), QStringLiteral("frmMain"));
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

TEST_F(frmMainLayoutTest, TabWalksTheControlsInDesignOrderStartingInTheInputBox)
{
    auto window = openWindow();
    activate(*window);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 11; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QString name = focused->objectName();
        if (name == QStringLiteral("cmdFolder"))
            name += focused->property("index").toString();
        visited << name;
    }
    const QStringList expected{"txtInDir", "cmdFolder0", "txtOutDir", "cmdFolder1", "txtMatch", "HScroll1",
                               "chkDel",   "chkLog",     "List1",     "cmdMove",    "cmdExit",  "txtInDir"};
    EXPECT_EQ(visited, expected);
}

TEST_F(frmMainLayoutTest, ControlsHaveTheirRangesAndNoDefaultButton)
{
    auto window = openWindow();
    auto* scroll = control<QScrollBar>(*window, "HScroll1");
    EXPECT_EQ(scroll->orientation(), Qt::Horizontal);
    EXPECT_EQ(scroll->minimum(), 1);
    EXPECT_EQ(scroll->maximum(), 100);
    EXPECT_EQ(scroll->singleStep(), 1);
    EXPECT_EQ(scroll->pageStep(), 10);
    EXPECT_TRUE(control<QLabel>(*window, "lblQua")->alignment().testFlag(Qt::AlignRight));

    auto* list = control<QListWidget>(*window, "List1");
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_EQ(list->count(), 0);

    auto* progress = control<QProgressBar>(*window, "ProgressBar");
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 100);
    EXPECT_FALSE(progress->isTextVisible());

    for (const auto* button : window->findChildren<QPushButton*>()) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
    }
}

TEST_F(frmMainLayoutTest, QualityLabelFollowsCompletedChangesOnly)
{
    auto window = openWindow();
    auto* scroll = control<QScrollBar>(*window, "HScroll1");
    auto* quality = control<QLabel>(*window, "lblQua");

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
