#include "WindowTestKit.h"

#include <QKeySequence>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <limits>

namespace pellora {
namespace {

using test::control;

class QualityScrollBarTest : public test::WindowTest {
protected:
    void SetUp() override
    {
        window = openWindow();
        activate(*window);
        scroll = control<QScrollBar>(*window, "qualityBar");
        scroll->setFocus();
    }

    void turnWheel(int angle)
    {
        const QPointF centre = QPointF(scroll->rect().center());
        QWheelEvent event(centre, scroll->mapToGlobal(centre), QPoint(), QPoint(0, angle), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(scroll, &event);
    }

    std::unique_ptr<MainWindow> window;
    QScrollBar* scroll = nullptr;
};

// As a scroll bar control on a Japanese desktop answers its keys.
TEST_F(QualityScrollBarTest, KeysStepTheQualityAsTheirArrowsPoint)
{
    struct Case {
        int from;
        Qt::Key key;
        int to;
    };
    const Case cases[] = {
        {50, Qt::Key_Right, 51},   {50, Qt::Key_Down, 51},    {50, Qt::Key_Left, 49},    {50, Qt::Key_Up, 49},
        {50, Qt::Key_PageDown, 60}, {50, Qt::Key_PageUp, 40}, {50, Qt::Key_Home, 1},     {50, Qt::Key_End, 100},
        {1, Qt::Key_Right, 2},     {1, Qt::Key_Left, 1},      {100, Qt::Key_Right, 100}, {95, Qt::Key_PageDown, 100},
        {5, Qt::Key_PageUp, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key).toString().toStdString());
        scroll->setValue(c.from);
        QTest::keyClick(scroll, c.key);
        EXPECT_EQ(scroll->value(), c.to) << "from " << c.from;
        EXPECT_EQ(control<QLabel>(*window, "qualityLabel")->text(), QString::number(c.to));
    }
}

TEST_F(QualityScrollBarTest, RightArrowThreeTimesFromFiftyGivesFiftyThree)
{
    scroll->setValue(50);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(scroll, Qt::Key_Right);
    EXPECT_EQ(scroll->value(), 53);
}

TEST_F(QualityScrollBarTest, EachWheelNotchIsOneArrowStep)
{
    scroll->setValue(50);
    turnWheel(120); // away from the user: the left arrow
    EXPECT_EQ(scroll->value(), 49);
    turnWheel(-240);
    EXPECT_EQ(scroll->value(), 51);
    turnWheel(-60); // half notches from a fine wheel add up
    EXPECT_EQ(scroll->value(), 51);
    turnWheel(-60);
    EXPECT_EQ(scroll->value(), 52);
    // However much a device reports at once, it ends at an end of the range.
    turnWheel(std::numeric_limits<int>::min());
    EXPECT_EQ(scroll->value(), 100);
    turnWheel(std::numeric_limits<int>::max());
    EXPECT_EQ(scroll->value(), 1);
}

} // namespace
} // namespace pellora
