#include "WindowRunInFreshProcess.h"
#include "WindowTestKit.h"

#include "platform/io/StopSignals.h"
#include "platform/text/Cp932.h"
#include "support/FakeFileSystem.h"
#include "support/JpegProbe.h"
#include "ui/CodePageMissing.h"
#include "ui/ExitOnStopSignals.h"
#include "ui/GraphicalSession.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <thread>

namespace pellora {

namespace test {

namespace {

constexpr int kRunSources = 60;

std::string runSourceName(int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "shot_%02d.tga", index);
    return name;
}

} // namespace

int runWindowUntilStopped(const char* programFolder)
{
    // As the program's main does, before the window is there.
    const StopSignals stopSignals;
    // Each source takes a moment to read, so that the run is still going
    // when the signal comes.
    FakeFileSystem slow;
    for (int i = 1; i <= kRunSources; ++i)
        slow.after(FakeFileSystem::Op::Close, runSourceName(i),
                   [] { std::this_thread::sleep_for(std::chrono::milliseconds(10)); });
    ScopedFileSystem seam(slow);
    MainWindow window(QString::fromUtf8(programFolder));
    QObject::connect(&window, &MainWindow::programEndRequested, qApp, [] { QCoreApplication::exit(0); });
    const ExitOnStopSignals exitOnStopSignals(stopSignals, window);
    window.show();
    QTimer::singleShot(0, &window, &MainWindow::startRun);
    return QApplication::exec();
}

} // namespace test

namespace {

Environment environmentOf(const std::map<std::string, std::string>& values)
{
    return [values](const char* name) -> const char* {
        const auto found = values.find(name);
        return found == values.end() ? nullptr : found->second.c_str();
    };
}

TEST(GraphicalSessionTest, OnlyAMissingDisplayStopsTheWindow)
{
    const auto reason = missingGraphicalSession(environmentOf({{"DISPLAY", ""}}), "./pellora");
    ASSERT_TRUE(reason.has_value());
    EXPECT_EQ(reason->find('\n'), std::string::npos) << "one line";
    EXPECT_NE(reason->find("xvfb-run -a ./pellora"), std::string::npos) << *reason;

    EXPECT_FALSE(missingGraphicalSession(environmentOf({{"DISPLAY", ":0"}}), "p"));
    EXPECT_FALSE(missingGraphicalSession(environmentOf({{"WAYLAND_DISPLAY", "wayland-0"}}), "p"));
    EXPECT_FALSE(missingGraphicalSession(environmentOf({{"QT_QPA_PLATFORM", "offscreen"}}), "p"));
}

TEST(GraphicalSessionTest, ExecutableWithoutDisplaySaysSoInOneLine)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PELLORA_WINDOW_EXECUTABLE), {});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "no abort";
    EXPECT_EQ(process.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    EXPECT_FALSE(said.contains(QLatin1Char('\n'))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("graphical session"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("xvfb-run"))) << said.toStdString();
}

// --help and --version answer in a terminal with no display at all; an
// argument that neither the window nor Qt takes is refused in one line.
TEST(WindowCommandLineTest, HelpAndVersionAnswerWithoutADisplay)
{
    struct Row {
        QStringList arguments;
        bool display; // an offscreen one, for what Qt must see first
        int status;
        QString out; // the start of standard output
        QString err; // a part of the one line on standard error, or empty for none
    };
    const QString version = QStringLiteral("pellora " PELLORA_VERSION "\n");
    const Row rows[] = {
        {{QStringLiteral("--help")}, false, 0, QStringLiteral("usage: pellora "), {}},
        {{QStringLiteral("-h")}, false, 0, QStringLiteral("usage: pellora "), {}},
        {{QStringLiteral("--version")}, false, 0, version, {}},
        {{QStringLiteral("-V")}, false, 0, version, {}},
        {{QStringLiteral("--version"), QStringLiteral("--help")}, false, 0, version, {}},
        {{QStringLiteral("--bogus"), QStringLiteral("-h")}, false, 0, QStringLiteral("usage: pellora "), {}},
        {{QStringLiteral("--bogus")}, true, 2, {}, QStringLiteral("pellora: unknown argument \"--bogus\"")},
        {{QStringLiteral("-style"), QStringLiteral("fusion"), QStringLiteral("shots")}, true, 2, {},
         QStringLiteral("unknown argument \"shots\"")}, // Qt's own option goes to Qt
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.join(u' ').toStdString());
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        if (row.display)
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(PELLORA_WINDOW_EXECUTABLE), row.arguments);
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(10000);
            ADD_FAILURE() << "still running: the window opened";
            continue;
        }
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), row.status);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        EXPECT_TRUE(row.out.isEmpty() ? out.isEmpty() : out.startsWith(row.out)) << out.toStdString();
        const QStringList errLines = QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts)
                                         .filter(QStringLiteral("pellora"));
        if (row.err.isEmpty()) {
            EXPECT_TRUE(errLines.isEmpty()) << errLines.join(u'|').toStdString();
        } else {
            ASSERT_EQ(errLines.size(), 1) << errLines.join(u'|').toStdString();
            EXPECT_TRUE(errLines[0].contains(row.err)) << errLines[0].toStdString();
        }
    }

    // An answer that could not be written is no success.
    QProcess full;
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start(QStringLiteral(PELLORA_WINDOW_EXECUTABLE), {QStringLiteral("--version")});
    ASSERT_TRUE(full.waitForFinished(10000));
    EXPECT_EQ(full.exitCode(), 1);
}

// A system whose C library has no code page 932 (no gconv modules): the
// window cannot keep the log and the settings as the Windows tool reads
// them, so it says why on standard error and in a message box, on which it
// then waits, instead of opening or aborting.
TEST(CodePageMissingTest, TheExecutableSaysSoAndWaitsOnItsBox)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(PELLORA_WITHOUT_CP932));
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("verify_asan_link_order=0"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PELLORA_WINDOW_EXECUTABLE), {});
    ASSERT_TRUE(process.waitForStarted(10000));
    // Its line, among whatever the toolkit says on standard error.
    QString said, line;
    QElapsedTimer waited;
    waited.start();
    while (line.isEmpty() && process.state() == QProcess::Running && waited.elapsed() < 10000) {
        process.waitForReadyRead(100);
        said += QString::fromLocal8Bit(process.readAllStandardError());
        for (const QString& each : said.split(u'\n').mid(0, said.count(u'\n')))
            if (each.startsWith(QStringLiteral("pellora: ")))
                line = each;
    }
    EXPECT_EQ(process.state(), QProcess::Running) << "it ended instead of showing its box: " << said.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("code page 932"))) << said.toStdString();
    process.kill();
    process.waitForFinished(10000);
}

TEST(CodePageMissingTest, TheBoxSaysWhatIsMissingAndWhatToInstall)
{
    QStringList shown;
    sayCodePageMissing(Prompts{[&shown](QWidget*, const QString& text) { shown << text; }, nullptr});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("Shift_JIS"))) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(QStringLiteral("gconv"))) << shown[0].toStdString();
}

// A program folder whose settings name an input folder of sources and an
// output folder, with delete and log on, and leave the prefix and quality
// out: a saved settings file has them.
struct StopScene {
    StopScene()
    {
        std::filesystem::create_directories(in());
        std::filesystem::create_directories(out());
        for (int i = 1; i <= test::kRunSources; ++i) {
            test::writeGameTga(in() / test::runSourceName(i), test::samplePicture(160, 120, i));
            sources.push_back(test::readBytes(in() / test::runSourceName(i)));
        }
        test::writeSettings(dir.path(), {"[initialize]", "indir=" + test::qtext(in()), "outdir=" + test::qtext(out()),
                                         "delcheck=1", "logcheck=1"});
    }
    std::filesystem::path in() const { return dir / "in"; }
    std::filesystem::path out() const { return dir / "out"; }
    bool settingsSaved() const
    {
        const QString text = test::settingsText(dir.path());
        return text.contains(QStringLiteral("\r\nmatch=sshot\r\n")) && text.contains(QStringLiteral("\r\nquality="));
    }
    QString log() const
    {
        const auto path = out() / "kavlog.txt";
        return std::filesystem::exists(path) ? QString::fromStdString(cp932::decode(test::readText(path)).value()) : QString();
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
            environment.insert(QString::fromLatin1(name), test::qtext(dir / "home"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return environment;
    }

    test::TempDir dir;
    std::vector<std::vector<unsigned char>> sources;
};

// Whether process `pid` catches `signal` (its handler is installed).
bool catches(qint64 pid, int signal)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

template <typename Condition>
bool waitUntil(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

const int kStopSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Sent during a run, a logout's SIGTERM, a closed terminal's SIGHUP or a
// Ctrl+C there end the window as its Exit button does: the run stops at its
// next file, every file is converted and deleted or untouched, the log gets
// its end line, the settings are saved, and the program ends normally.
TEST(StopSignalsTest, ARunInTheWindowEndsAsOnExit)
{
    for (const int signal : kStopSignals) {
        SCOPED_TRACE(strsignal(signal));
        StopScene scene;
        QProcess window;
        window.setProcessEnvironment(scene.environment());
        window.start(QCoreApplication::applicationFilePath(),
                     {QString::fromLatin1(test::kRunWindowUntilStopped), test::qtext(scene.dir.path())});
        ASSERT_TRUE(window.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return scene.log().contains(QStringLiteral("shot_01.tga\t--->\tsshot001.jpg")); }))
            << "the run did not start";
        ::kill(static_cast<pid_t>(window.processId()), signal);
        ASSERT_TRUE(window.waitForFinished(30000));

        EXPECT_EQ(window.exitStatus(), QProcess::NormalExit) << "ended by the signal";
        EXPECT_EQ(window.exitCode(), 0) << window.readAllStandardError().toStdString();
        EXPECT_TRUE(scene.settingsSaved()) << test::settingsText(scene.dir.path()).toStdString();
        static const QRegularExpression endLine(QStringLiteral("\r\n---処理終了--- \\[[^]]+\\]\r\n\r\n$"));
        EXPECT_TRUE(endLine.match(scene.log()).hasMatch()) << scene.log().toStdString();
        // Converted and deleted, or untouched; no temporary file left.
        std::vector<std::string> jpegs;
        for (const auto& name : test::listNames(scene.out())) {
            EXPECT_FALSE(name.starts_with(".pellora-")) << name;
            if (name.ends_with(".jpg")) {
                jpegs.push_back(name);
                EXPECT_TRUE(test::decodeJpegFile(scene.out() / name).has_value()) << name;
            }
        }
        const auto left = test::listNames(scene.in());
        EXPECT_FALSE(left.empty()) << "the run was not stopped: it converted everything";
        EXPECT_EQ(jpegs.size() + left.size(), static_cast<size_t>(test::kRunSources));
        for (size_t i = 0; i < left.size() && !jpegs.empty(); ++i) {
            const int index = test::kRunSources - static_cast<int>(left.size()) + static_cast<int>(i) + 1;
            EXPECT_EQ(left[i], test::runSourceName(index)) << "not the files after the converted ones";
            EXPECT_TRUE(test::readBytes(scene.in() / left[i]) == scene.sources[static_cast<size_t>(index - 1)]);
        }
        EXPECT_EQ(jpegs.empty() ? std::string() : jpegs.back(),
                  "sshot" + QStringLiteral("%1").arg(jpegs.size(), 3, 10, QLatin1Char('0')).toStdString() + ".jpg");
    }
}

// The program itself, a copy in a folder of its own with its settings
// beside it: each of those signals ends it as Exit does, settings saved.
TEST(StopSignalsTest, TheProgramEndsAsOnExit)
{
    for (const int signal : kStopSignals) {
        SCOPED_TRACE(strsignal(signal));
        StopScene scene;
        const auto program = scene.dir / "pellora";
        std::filesystem::copy_file(PELLORA_WINDOW_EXECUTABLE, program);
        QProcess window;
        window.setProcessEnvironment(scene.environment());
        window.start(test::qtext(program), {});
        ASSERT_TRUE(window.waitForStarted());
        // Once the program catches the signal, it is its own to handle.
        ASSERT_TRUE(waitUntil([&] { return catches(window.processId(), signal) || window.state() != QProcess::Running; }));
        ::kill(static_cast<pid_t>(window.processId()), signal);
        ASSERT_TRUE(window.waitForFinished(30000));
        EXPECT_EQ(window.exitStatus(), QProcess::NormalExit) << "ended by the signal";
        EXPECT_EQ(window.exitCode(), 0) << window.readAllStandardError().toStdString();
        EXPECT_TRUE(scene.settingsSaved()) << test::settingsText(scene.dir.path()).toStdString();
        EXPECT_EQ(test::listNames(scene.in()).size(), static_cast<size_t>(test::kRunSources)) << "a run started";
    }
}

// What a message box looked like; the box is answered with `answer`.
struct BoxSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

void answerBox(BoxSeen& seen, QMessageBox::StandardButton answer)
{
    test::onNextModal<QMessageBox>([&seen, answer](QMessageBox& box) {
        seen = BoxSeen{box.windowTitle(), box.text(), box.icon(), box.standardButtons()};
        box.button(answer)->click();
    });
}

TEST(PromptsTest, MessageBoxesCarryTheTitleIconAndButtons)
{
    const Prompts prompts = Prompts::messageBoxes();
    BoxSeen seen;

    answerBox(seen, QMessageBox::Ok);
    prompts.critical(nullptr, QStringLiteral("コピー元フォルダが無効です。"));
    EXPECT_EQ(seen.title, QStringLiteral("Pellora"));
    EXPECT_EQ(seen.text, QStringLiteral("コピー元フォルダが無効です。"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    answerBox(seen, QMessageBox::No);
    EXPECT_FALSE(prompts.askYesNo(nullptr, QStringLiteral("作成しますか？")));
    EXPECT_EQ(seen.title, QStringLiteral("Pellora"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);

    answerBox(seen, QMessageBox::Yes);
    EXPECT_TRUE(prompts.askYesNo(nullptr, QStringLiteral("作成しますか？")));
}

} // namespace
} // namespace pellora
