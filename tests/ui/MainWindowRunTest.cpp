#include "RecordingPrompts.h"
#include "WindowTestKit.h"

#include "batch/BatchRun.h"
#include "batch/InFlightConversions.h"
#include "platform/text/Cp932.h"
#include "support/JpegProbe.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace pellora {
namespace {

using test::control;

// Runs `action` each time a run of `window` adds a line to its list, until
// it returns true. The run waits for the window before its next file, so
// whatever `action` does there reaches the run before that file: this is how
// a test acts mid-run.
class DuringRun {
public:
    DuringRun(const MainWindow& window, std::function<bool()> action) : action_(std::move(action))
    {
        const auto* list = window.findChild<QListWidget*>(QStringLiteral("resultList"));
        connection_ = QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, [this, &window] {
            // Not again from inside itself: `action` may turn the event loop.
            if (done_ || acting_ || !window.runInProgress())
                return;
            acting_ = true;
            done_ = action_();
            acting_ = false;
        });
    }
    ~DuringRun() { QObject::disconnect(connection_); }

private:
    std::function<bool()> action_;
    QMetaObject::Connection connection_;
    bool done_ = false;
    bool acting_ = false;
};

class MainWindowRunTest : public test::WindowTest {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(in());
        std::filesystem::create_directory(out());
        window = openWindow();
        window->setPrompts(test::recordingPrompts(prompts));
        control<QLineEdit>(*window, "inputFolderBox")->setText(test::qtext(in()));
        control<QLineEdit>(*window, "outputFolderBox")->setText(test::qtext(out()));
        activate(*window);
    }

    std::filesystem::path in() const { return work / "in"; }
    std::filesystem::path out() const { return work / "out"; }

    void addSources(int count)
    {
        for (int i = 0; i < count; ++i)
            test::writeGameTga(in() / ("shot" + std::to_string(i) + ".tga"), test::samplePicture(16, 8, i));
    }

    void pressAltM()
    {
        pressAccessKey(*window, Qt::Key_M, control<QPushButton>(*window, "moveButton"));
        waitForRunEnd(*window);
    }

    QStringList listLines() const
    {
        QStringList lines;
        const auto* list = control<QListWidget>(*window, "resultList");
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }

    QString logText() const { return QString::fromStdString(cp932::decode(test::readText(out() / "kavlog.txt")).value()); }

    QWidget* focused() const { return QApplication::focusWidget(); }

    static int jobs() { return std::max(1, QThread::idealThreadCount()); }
    static qsizetype inFlightLimit() { return InFlightConversions::limitFor(static_cast<unsigned>(jobs())); }

    test::TempDir work;
    test::PromptLog prompts;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowRunTest, AltMConvertsEveryFileAndReportsEachInTheList)
{
    addSources(3);
    auto* move = control<QPushButton>(*window, "moveButton");
    auto* progress = control<QProgressBar>(*window, "progressBar");
    bool sawDisabledButton = false;
    bool sawBusyCursor = false;
    DuringRun observe(*window, [&] {
        sawDisabledButton = !move->isEnabled();
        sawBusyCursor = window->cursor().shape() == Qt::WaitCursor;
        return true;
    });

    pressAltM();

    EXPECT_TRUE(sawDisabledButton);
    EXPECT_TRUE(sawBusyCursor);
    const QStringList lines = listLines();
    ASSERT_EQ(lines.size(), 3) << lines.join(QLatin1Char('\n')).toStdString();
    for (int i = 0; i < 3; ++i) {
        const QString serialName = QStringLiteral("sshot%1.jpg").arg(i + 1, 3, 10, QLatin1Char('0'));
        EXPECT_TRUE(lines[i].endsWith(QStringLiteral("\t--->\t") + serialName)) << lines[i].toStdString();
        const auto picture = test::decodeJpegFile(out() / serialName.toStdString());
        ASSERT_TRUE(picture.has_value()) << serialName.toStdString();
        EXPECT_EQ(picture->width, 16);
    }
    EXPECT_EQ(progress->value(), 0);
    EXPECT_EQ(progress->maximum(), 3);
    EXPECT_TRUE(move->isEnabled());
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor) << "the busy cursor must go after the run";
    EXPECT_TRUE(std::filesystem::exists(out() / "kavlog.txt"));
    EXPECT_EQ(window->outputFolder(), test::qtext(out()) + QStringLiteral("/"));
    EXPECT_TRUE(prompts.criticals.isEmpty());
}

TEST_F(MainWindowRunTest, ASecondStartDuringARunDoesNothing)
{
    addSources(4);
    auto* move = control<QPushButton>(*window, "moveButton");
    int attempts = 0;
    DuringRun startAgain(*window, [&] {
        move->click();
        QTest::keyClick(window.get(), Qt::Key_M, Qt::AltModifier);
        window->startRun();
        ++attempts;
        return attempts == 2;
    });

    pressAltM();
    QTest::qWait(300); // long enough for a pending access-key click to land

    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(listLines().size(), 4);
    const auto names = test::listNames(out());
    EXPECT_EQ(names, (std::vector<std::string>{"kavlog.txt", "sshot001.jpg", "sshot002.jpg", "sshot003.jpg",
                                               "sshot004.jpg"}));
    EXPECT_FALSE(BatchRun::inProgress());
}

TEST_F(MainWindowRunTest, MoveButtonGetsTheFocusBackAfterARun)
{
    addSources(1);
    auto* move = control<QPushButton>(*window, "moveButton");
    move->setFocus();
    QTest::keyClick(move, Qt::Key_Space);
    waitForRunEnd(*window);
    EXPECT_EQ(listLines().size(), 1);
    EXPECT_EQ(focused(), move);
}

TEST_F(MainWindowRunTest, ClosingDuringARunStopsItAtTheNextFileWithoutLosingAnything)
{
    const int sources = 3 * jobs() + 3;
    addSources(sources);
    control<QCheckBox>(*window, "deleteSourcesCheck")->setChecked(true);
    auto* list = control<QListWidget>(*window, "resultList");
    bool closedAtOnce = true;
    DuringRun closeAfterFirstFile(*window, [&] {
        if (list->count() < 1)
            return false;
        closedAtOnce = window->close();
        return true;
    });

    pressAltM();

    EXPECT_FALSE(closedAtOnce) << "the window must wait for the run to stop";
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->runInProgress());
    EXPECT_TRUE(std::filesystem::exists(programFolder / "Pellora.ini"));
    const QStringList lines = listLines();
    EXPECT_GE(lines.size(), 1);
    EXPECT_LE(lines.size(), inFlightLimit()) << "the run went on after the close";

    // Every JPEG is whole, nothing else was left behind, and every deleted
    // source has its JPEG.
    int jpegs = 0;
    for (const auto& name : test::listNames(out())) {
        if (name == "kavlog.txt")
            continue;
        ASSERT_EQ(name.substr(0, 5), "sshot") << name;
        EXPECT_TRUE(test::decodeJpegFile(out() / name).has_value()) << name;
        ++jpegs;
    }
    EXPECT_EQ(jpegs, lines.size());
    EXPECT_EQ(static_cast<int>(test::listNames(in()).size()) + jpegs, sources);
    EXPECT_TRUE(logText().contains(QStringLiteral("---処理終了---"))) << logText().toStdString();
}

TEST_F(MainWindowRunTest, ExitDuringARunStopsItThenClosesAndSaves)
{
    addSources(3 * jobs() + 3);
    auto* list = control<QListWidget>(*window, "resultList");
    int endRequests = 0;
    QObject::connect(window.get(), &MainWindow::programEndRequested, [&] {
        EXPECT_FALSE(window->isVisible()) << "the window goes before the program ends";
        ++endRequests;
    });
    DuringRun exitAfterFirstFile(*window, [&] {
        if (list->count() < 1)
            return false;
        control<QPushButton>(*window, "exitButton")->click();
        return true;
    });

    pressAltM();

    EXPECT_EQ(endRequests, 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_LE(listLines().size(), inFlightLimit());
    EXPECT_TRUE(std::filesystem::exists(programFolder / "Pellora.ini"));
    for (const auto& name : test::listNames(out()))
        EXPECT_TRUE(name == "kavlog.txt" || test::decodeJpegFile(out() / name).has_value()) << name;
}

// A folder dialog opened mid-run, or any other modal dialog of the window,
// holds the run up no longer: the run goes on to its end while it is open.
TEST_F(MainWindowRunTest, ARunGoesOnWhileTheWindowShowsAModalDialog)
{
    const int sources = 3 * jobs() + 3;
    addSources(sources);
    bool endedWhileOpen = false;
    int linesWhenOpened = -1;
    window->setFolderChooser([&](QWidget* owner) {
        linesWhenOpened = static_cast<int>(listLines().size());
        QDialog dialog(owner);
        dialog.setModal(true);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &dialog, [&] {
            if (!window->runInProgress()) {
                endedWhileOpen = true;
                dialog.reject();
            }
        });
        watch.start(1);
        QTimer::singleShot(10000, &dialog, &QDialog::reject);
        dialog.exec();
        return QString();
    });
    DuringRun browseAtTheFirstLine(*window, [&] {
        control<QPushButton>(*window, "outputBrowseButton")->click();
        return true;
    });

    pressAltM();

    EXPECT_EQ(linesWhenOpened, 1);
    EXPECT_TRUE(endedWhileOpen) << "the run waited for the dialog to close";
    EXPECT_EQ(listLines().size(), sources);
    EXPECT_EQ(test::listNames(out()).size(), static_cast<size_t>(sources) + 1) << "every JPEG and the log";
    EXPECT_TRUE(logText().contains(QStringLiteral("---処理終了---"))) << logText().toStdString();
}

// A window that goes during a run (its program ending, say) first lets the
// run stop at its next file and end through its end line.
TEST_F(MainWindowRunTest, AWindowDestroyedDuringARunWaitsForTheRunToStop)
{
    const int sources = 10 * jobs() + 10;
    addSources(sources);
    control<QCheckBox>(*window, "deleteSourcesCheck")->setChecked(true);
    bool firstLineShown = false;
    DuringRun noteTheFirstLine(*window, [&] { return firstLineShown = true; });

    pressAccessKey(*window, Qt::Key_M, control<QPushButton>(*window, "moveButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstLineShown; }, 30000));
    window.reset();

    EXPECT_FALSE(BatchRun::inProgress());
    EXPECT_TRUE(logText().endsWith(QStringLiteral("]\r\n\r\n"))) << logText().toStdString();
    EXPECT_TRUE(logText().contains(QStringLiteral("---処理終了---"))) << logText().toStdString();
    int jpegs = 0;
    for (const auto& name : test::listNames(out())) {
        if (name == "kavlog.txt")
            continue;
        EXPECT_TRUE(test::decodeJpegFile(out() / name).has_value()) << name;
        ++jpegs;
    }
    EXPECT_LT(jpegs, sources) << "the run went on after the window went";
    EXPECT_EQ(static_cast<int>(test::listNames(in()).size()) + jpegs, sources);
}

TEST_F(MainWindowRunTest, DeclinedOutputFolderQuestionMovesTheFocusToTheOutputBox)
{
    addSources(1);
    std::filesystem::remove(out());
    prompts.answer = false;

    pressAltM();

    ASSERT_EQ(prompts.questions.size(), 1);
    EXPECT_EQ(prompts.questions[0], QStringLiteral("コピー先フォルダが無効です。\r\n新しく作成しますか？"));
    EXPECT_EQ(focused(), control<QLineEdit>(*window, "outputFolderBox"));
    EXPECT_FALSE(std::filesystem::exists(out()));
    EXPECT_TRUE(listLines().isEmpty());
}

TEST_F(MainWindowRunTest, ATildeInAFolderBoxIsTheHomeFolder)
{
    addSources(1);
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", work.path().c_str());
    control<QLineEdit>(*window, "inputFolderBox")->setText(QStringLiteral("~/in"));
    control<QLineEdit>(*window, "outputFolderBox")->setText(QStringLiteral("~/out/"));

    pressAltM();
    qputenv("HOME", home);

    EXPECT_TRUE(prompts.criticals.isEmpty()) << prompts.criticals.join(u' ').toStdString();
    EXPECT_EQ(listLines(), QStringList{QStringLiteral("shot0.tga\t--->\tsshot001.jpg")});
    EXPECT_TRUE(std::filesystem::exists(out() / "sshot001.jpg"));
    EXPECT_EQ(window->inputFolder(), test::qtext(in()) + QStringLiteral("/"));
    EXPECT_EQ(control<QLineEdit>(*window, "inputFolderBox")->text(), QStringLiteral("~/in"))
        << "the box keeps what was typed";
}

TEST_F(MainWindowRunTest, MissingInputFolderIsToldAndMovesTheFocusToTheInputBox)
{
    control<QLineEdit>(*window, "inputFolderBox")->setText(test::qtext(work / "nowhere"));
    control<QLineEdit>(*window, "prefixBox")->setFocus();

    pressAltM();

    EXPECT_EQ(prompts.criticals, QStringList{QStringLiteral("コピー元フォルダが無効です。")});
    EXPECT_EQ(focused(), control<QLineEdit>(*window, "inputFolderBox"));
    EXPECT_TRUE(control<QPushButton>(*window, "moveButton")->isEnabled());
}

} // namespace
} // namespace pellora
