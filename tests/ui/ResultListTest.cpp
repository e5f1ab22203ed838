#include "RecordingPrompts.h"
#include "WindowTestKit.h"

#include "ui/WindowBatchHost.h"

#include <QImage>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>

namespace pellora {
namespace {

using test::control;

// Pixels of `image` darker than the list's white background: text.
int inkIn(const QImage& image)
{
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    return ink;
}

class ResultListTest : public test::WindowTest {
protected:
    void SetUp() override
    {
        window = openWindow();
        list = control<QListWidget>(*window, "List1");
        host = std::make_unique<WindowBatchHost>(*window, prompts);
        activate(*window);
    }

    void addLines(int count)
    {
        for (int i = 0; i < count; ++i)
            host->addListLine(QStringLiteral("shot%1.tga\t--->\tsshot%1.jpg")
                                  .arg(list->count() + 1, 3, 10, QLatin1Char('0'))
                                  .toStdString(),
                              {});
    }

    bool lastLineInView() const
    {
        return list->viewport()->rect().contains(list->visualItemRect(list->item(list->count() - 1)));
    }

    std::unique_ptr<frmMain> window;
    QListWidget* list = nullptr;
    test::PromptLog log;
    Prompts prompts = test::recordingPrompts(log);
    std::unique_ptr<WindowBatchHost> host;
};

// A run lets the event loop paint between its files; whatever paints the
// list then must find its lines, not an empty list waiting for a timer.
TEST_F(ResultListTest, LinesAreDrawnFromTheMomentTheyAreAdded)
{
    for (int lines = 1; lines <= 12; ++lines) {
        addLines(1);
        EXPECT_GT(inkIn(list->viewport()->grab().toImage()), 0) << "the list painted empty with " << lines << " lines";
    }
}

TEST_F(ResultListTest, NewestLineStaysInViewUnlessTheUserScrolledAway)
{
    addLines(30);
    EXPECT_TRUE(lastLineInView());

    QScrollBar* bar = list->verticalScrollBar();
    bar->setValue(3);
    addLines(5);
    EXPECT_EQ(bar->value(), 3) << "a user reading older lines keeps them";
    EXPECT_FALSE(lastLineInView());

    bar->setValue(bar->maximum());
    addLines(5);
    EXPECT_TRUE(lastLineInView()) << "back at the end, the list follows again";
}

TEST_F(ResultListTest, ADetailBecomesTheToolTipOfItsLineOnly)
{
    const QString failure = QStringLiteral("コピー失敗 エラーコード-1");
    const QString detail = QStringLiteral("bad.tga: TGA ファイルとして読めません（ヘッダーが短すぎます）");
    host->addListLine(failure.toStdString(), detail.toStdString());
    host->addListLine("a.tga\t--->\tsshot002.jpg", {});

    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), failure) << "the line itself stays as the log has it";
    EXPECT_EQ(list->item(0)->toolTip(), detail);
    EXPECT_EQ(list->item(1)->toolTip(), QString());
}

// What the keyboard focus looks like: the same control grabbed with and
// without it must differ, as a push button's does.
class FocusMarkTest : public test::WindowTest {
protected:
    static QImage withFocus(QWidget* control, bool focused)
    {
        if (focused) {
            // Walk there with Tab, as a user does: some styles mark only a
            // focus that came from the keyboard.
            QWidget* start = QApplication::focusWidget();
            for (int i = 0; i < 20 && QApplication::focusWidget() != control; ++i)
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : start, Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), control);
        } else {
            control->clearFocus();
        }
        return control->grab().toImage();
    }
};

TEST_F(FocusMarkTest, ScrollBarAndListShowTheKeyboardFocus)
{
    struct Case {
        const char* name;
        int lines; // in the list before the focus comes
    };
    for (const Case c : {Case{"cmdMove", 0}, Case{"HScroll1", 0}, Case{"List1", 0}, Case{"List1", 3}}) {
        SCOPED_TRACE(std::string(c.name) + " with " + std::to_string(c.lines) + " lines");
        auto window = openWindow();
        activate(*window);
        test::PromptLog log;
        const Prompts prompts = test::recordingPrompts(log);
        WindowBatchHost host(*window, prompts);
        for (int i = 0; i < c.lines; ++i)
            host.addListLine("shot.tga\t--->\tsshot001.jpg", {});
        auto* widget = control<QWidget>(*window, c.name);
        const QImage without = withFocus(widget, false);
        const QImage with = withFocus(widget, true);
        EXPECT_NE(with, without) << "the focus cannot be seen";
    }
}

} // namespace
} // namespace pellora
