#include "cli/CliApp.h"
#include "cli/CliMessages.h"
#include "cli/CliOptions.h"
#include "cli/ConsoleHost.h"

#include "platform/io/StopSignals.h"
#include "platform/text/PathText.h"
#include "platform/text/VisibleName.h"
#include "support/FakeFileSystem.h"
#include "support/FileTimes.h"
#include "support/JpegProbe.h"
#include "support/NonRegularFiles.h"
#include "support/TempDir.h"
#include "support/TextLines.h"
#include "platform/text/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace pellora {
namespace {

using Arguments = std::vector<std::string>;

std::string joined(const Arguments& arguments)
{
    std::string line;
    for (const std::string& argument : arguments)
        line += (line.empty() ? "" : " ") + argument;
    return line;
}

// Every value the options set, on one line, "-" for one not given.
std::string described(const CliOptions& options)
{
    const auto text = [](const auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::optional<std::string>>)
            return value ? "\"" + *value + "\"" : std::string("-");
        else
            return value ? std::to_string(*value) : std::string("-");
    };
    return "in=" + text(options.inDir) + " out=" + text(options.outDir) + " prefix=" + text(options.prefix)
           + " quality=" + text(options.quality) + " delete=" + text(options.deleteSources) + " log=" + text(options.log)
           + " create=" + std::to_string(options.createOutputFolder) + " settings=" + text(options.settingsFile)
           + " jobs=" + std::to_string(options.jobs) + " help=" + std::to_string(options.help)
           + " version=" + std::to_string(options.version);
}

TEST(CliOptions, ParsesEveryOption)
{
    // Each value apart, joined with "=", and by the short names: the same options.
    for (const Arguments& arguments :
         {Arguments{"--in", "/a", "--out", "/b", "--prefix", "shot", "--quality", "77", "--delete", "--no-log",
                    "--create-out", "--jobs", "3", "--settings", "x.ini"},
          Arguments{"--in=/a", "--out=/b", "--prefix=shot", "--quality=77", "--delete", "--no-log", "--create-out",
                    "--jobs=3", "--settings=x.ini"},
          Arguments{"-i", "/a", "-o", "/b", "-p", "shot", "-q", "77", "--delete", "--no-log", "--create-out", "-j", "3",
                    "--settings", "x.ini"},
          Arguments{"-i/a", "-o/b", "-pshot", "-q77", "--keep", "--log", "--delete", "--no-log", "--create-out", "-j3",
                    "--settings", "x.ini"}}) {
        SCOPED_TRACE(joined(arguments));
        const auto options = CliOptions::parse(arguments);
        ASSERT_TRUE(options.has_value()) << options.error();
        EXPECT_EQ(options->inDir, "/a");
        EXPECT_EQ(options->outDir, "/b");
        EXPECT_EQ(options->prefix, "shot");
        EXPECT_EQ(options->quality, 77);
        EXPECT_EQ(options->deleteSources, true);
        EXPECT_EQ(options->log, false);
        EXPECT_TRUE(options->createOutputFolder);
        EXPECT_EQ(options->jobs, 3u);
        EXPECT_EQ(options->settingsFile, "x.ini");
    }
    EXPECT_EQ(CliOptions::parse({"--keep", "--delete", "--keep"})->deleteSources, false); // the last one wins

    // A watch, and how long a closed file must stay as it is, in seconds with up to three decimals.
    EXPECT_FALSE(CliOptions::parse({})->watch);
    EXPECT_EQ(CliOptions::parse({"--watch"})->settle, std::chrono::milliseconds(1000));
    for (const auto& [given, settle] : {std::pair{"0", 0}, {"2", 2000}, {"0.25", 250}, {"1.5", 1500}, {"60", 60000},
                                        {"60.000", 60000}, {"0.001", 1}}) {
        const auto options = CliOptions::parse({"--watch", "--settle", given});
        ASSERT_TRUE(options.has_value()) << given << ": " << options.error();
        EXPECT_TRUE(options->watch);
        EXPECT_EQ(options->settle, std::chrono::milliseconds(settle)) << given;
    }

    struct Case {
        Arguments arguments;
        const char* options;
    };
    const Case cases[] = {
        {{}, "in=- out=- prefix=- quality=- delete=- log=- create=0 settings=- jobs=0 help=0 version=0"},
        {{"--delete", "--keep", "--delete"}, "in=- out=- prefix=- quality=- delete=1 log=- create=0 settings=- jobs=0 help=0 version=0"},
        {{"--log", "--no-log", "--log"}, "in=- out=- prefix=- quality=- delete=- log=1 create=0 settings=- jobs=0 help=0 version=0"},
        {{"--no-log", "--log", "--no-log"}, "in=- out=- prefix=- quality=- delete=- log=0 create=0 settings=- jobs=0 help=0 version=0"},
        {{"-q", "5", "--quality=6", "-j1", "--jobs", "256"}, "in=- out=- prefix=- quality=6 delete=- log=- create=0 settings=- jobs=256 help=0 version=0"},
        {{"-i", "/a", "--in", "/c"}, "in=\"/c\" out=- prefix=- quality=- delete=- log=- create=0 settings=- jobs=0 help=0 version=0"},
        // An empty value is a value: the argument after it stays an option.
        {{"--prefix=", "--delete"}, "in=- out=- prefix=\"\" quality=- delete=1 log=- create=0 settings=- jobs=0 help=0 version=0"},
        {{"--prefix", "", "--keep"}, "in=- out=- prefix=\"\" quality=- delete=0 log=- create=0 settings=- jobs=0 help=0 version=0"},
        // A value may hold "=" or start with "-", as a folder's or a prefix's name may.
        {{"--in=a=b", "--prefix", "-x", "-o", "--keep"}, "in=\"a=b\" out=\"--keep\" prefix=\"-x\" quality=- delete=- log=- create=0 settings=- jobs=0 help=0 version=0"},
        {{"--quality", "+90"}, "in=- out=- prefix=- quality=90 delete=- log=- create=0 settings=- jobs=0 help=0 version=0"},
        {{"-h"}, "in=- out=- prefix=- quality=- delete=- log=- create=0 settings=- jobs=0 help=1 version=0"},
        {{"--help"}, "in=- out=- prefix=- quality=- delete=- log=- create=0 settings=- jobs=0 help=1 version=0"},
        {{"-V"}, "in=- out=- prefix=- quality=- delete=- log=- create=0 settings=- jobs=0 help=0 version=1"},
        {{"-hV"}, "in=- out=- prefix=- quality=- delete=- log=- create=0 settings=- jobs=0 help=1 version=1"},
    };
    for (const Case& c : cases) {
        const auto options = CliOptions::parse(c.arguments);
        ASSERT_TRUE(options.has_value()) << joined(c.arguments) << ": " << options.error();
        EXPECT_EQ(described(*options), c.options) << joined(c.arguments);
    }
}

// One line that names what is wrong: the first problem, in the order given.
TEST(CliOptions, RefusesBadUsageWithAReason)
{
    struct Case {
        Arguments arguments;
        const char* reason;
    };
    const Case cases[] = {
        {{"--quality", "0"}, "--quality takes a whole number from 1 to 100, not \"0\""},
        {{"--quality", "101"}, "--quality takes a whole number from 1 to 100, not \"101\""},
        {{"--quality", "abc"}, "--quality takes a whole number from 1 to 100, not \"abc\""},
        {{"--quality"}, "--quality needs a value"},
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"--jobs", "0"}, "--jobs takes a whole number from 1 to 256, not \"0\""},
        {{"--in"}, "--in needs a value"},
        {{"-q0"}, "--quality takes a whole number from 1 to 100, not \"0\""},
        {{"--quality=90x"}, "--quality takes a whole number from 1 to 100, not \"90x\""},
        {{"--quality="}, "--quality takes a whole number from 1 to 100, not \"\""},
        {{"-q", "9.5"}, "--quality takes a whole number from 1 to 100, not \"9.5\""},
        {{"-q", "99999999999"}, "--quality takes a whole number from 1 to 100, not \"99999999999\""},
        {{"-j", "257"}, "--jobs takes a whole number from 1 to 256, not \"257\""},
        {{"--jobs=-1"}, "--jobs takes a whole number from 1 to 256, not \"-1\""},
        {{"-q"}, "--quality needs a value"},
        {{"--out", "/b", "-o"}, "--out needs a value"},
        {{"--settings"}, "--settings needs a value"},
        {{"--delete=yes"}, "--delete takes no value"},
        {{"--no-log=1"}, "--no-log takes no value"},
        {{"--watch=1"}, "--watch takes no value"},
        {{"--settle", "61"}, "--settle takes a number of seconds from 0 to 60, not \"61\""},
        {{"--settle", "60.001"}, "--settle takes a number of seconds from 0 to 60, not \"60.001\""},
        {{"--settle", "-1"}, "--settle takes a number of seconds from 0 to 60, not \"-1\""},
        {{"--settle", "0.0001"}, "--settle takes a number of seconds from 0 to 60, not \"0.0001\""},
        {{"--settle", "1."}, "--settle takes a number of seconds from 0 to 60, not \"1.\""},
        {{"--settle", "1.x"}, "--settle takes a number of seconds from 0 to 60, not \"1.x\""},
        {{"--settle"}, "--settle needs a value"},
        {{"--frob=3"}, "unknown option \"--frob=3\""},
        {{"-x"}, "unknown option \"-x\""},
        {{"shots"}, "unexpected argument \"shots\""},
        {{"--", "--in", "/a"}, "unexpected argument \"--\""},
        // Every value given is checked, not only the one that counts.
        {{"--quality", "0", "--quality", "50"}, "--quality takes a whole number from 1 to 100, not \"0\""},
        {{"-q", "0", "-j", "0"}, "--quality takes a whole number from 1 to 100, not \"0\""},
        // What is echoed stays one line of plain text, whatever the argument holds.
        {{"new\nline\x1b[2J"}, "unexpected argument \"new\\nline\\x1b[2J\""},
        {{"--\x1b]0;title\x07"}, "unknown option \"--\\x1b]0;title\\x07\""},
        {{"-q", "9\r\n9"}, "--quality takes a whole number from 1 to 100, not \"9\\r\\n9\""},
        // --help does not hide a mistake beside it.
        {{"--help", "--frobnicate"}, "unknown option \"--frobnicate\""},
    };
    for (const Case& c : cases) {
        const auto options = CliOptions::parse(c.arguments);
        ASSERT_FALSE(options.has_value()) << joined(c.arguments);
        EXPECT_FALSE(options.error().empty());
        EXPECT_EQ(options.error(), c.reason) << joined(c.arguments);
    }
    const auto japanese = CliOptions::parse({"-q", "0"}, CliMessages(CliLanguage::Japanese));
    ASSERT_FALSE(japanese.has_value());
    EXPECT_EQ(japanese.error(), "--quality には 1 から 100 までの整数を指定してください（\"0\" は指定できません）");
}

// The command line's own words follow the locale as the C library reads it;
// the list lines and the log do not.
TEST(CliMessages, JapaneseForAJapaneseLocaleEnglishOtherwise)
{
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        CliLanguage language;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, CliLanguage::English},
        {nullptr, nullptr, "ja_JP.UTF-8", CliLanguage::Japanese},
        {nullptr, nullptr, "ja_JP.eucJP", CliLanguage::Japanese},
        {nullptr, nullptr, "japanese", CliLanguage::Japanese},
        {nullptr, nullptr, "en_US.UTF-8", CliLanguage::English},
        {nullptr, nullptr, "C.UTF-8", CliLanguage::English},
        {nullptr, "ja_JP.UTF-8", "en_US.UTF-8", CliLanguage::Japanese},
        {nullptr, "C", "ja_JP.UTF-8", CliLanguage::English},
        {"ja_JP.UTF-8", "en_US.UTF-8", "en_US.UTF-8", CliLanguage::Japanese},
        {"C", "ja_JP.UTF-8", "ja_JP.UTF-8", CliLanguage::English},
        {"POSIX", nullptr, "ja_JP.UTF-8", CliLanguage::English},
        // Set but empty counts as not set.
        {"", "", "ja_JP.UTF-8", CliLanguage::Japanese},
        {"", "en_GB.UTF-8", "ja_JP.UTF-8", CliLanguage::English},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CliMessages::languageOf(c.lcAll, c.lcMessages, c.lang), c.language)
            << (c.lcAll ? c.lcAll : "(unset)") << " " << (c.lcMessages ? c.lcMessages : "(unset)") << " "
            << (c.lang ? c.lang : "(unset)");
    }
    // Each value once, where its placeholder is, even when a value looks like a placeholder.
    EXPECT_EQ(CliMessages()(CliText::NamedSettingsFileProblem, {"%2.ini", "does not exist"}),
              "settings file \"%2.ini\" does not exist");
    EXPECT_EQ(CliMessages(CliLanguage::Japanese)(CliText::DefaultSettingsFileProblem, {"a.ini", "x"}),
              "設定ファイル \"a.ini\" x。既定値を使います");
}

TEST(CliApp, ExitStatusTellsScriptsWhatHappened)
{
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::Completed, 3, 0}), 0);
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::NoSourceFiles, 0, 0}), 0);
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::Completed, 2, 1}), 1);
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::SerialLimit, 1, 0}), 1);
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::InputFolderMissing, 0, 0}), 2);
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::OutputFolderDeclined, 0, 0}), 2);
    // Every file converted, but a TGA the delete option should have removed stayed.
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::Completed, 3, 0, false, 1}), 1);
    // A run stopped by signal N before its last file: 128 + N, as a shell
    // shows a program that signal ended; a closed standard output counts as SIGPIPE.
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::Stopped, 2, 0}, SIGINT), 130);
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::Stopped, 2, 1}, SIGTERM), 143);
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::Stopped, 0, 0}, kHangUpSignal), 129);
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::Stopped, 5, 0}, kBrokenPipeSignal), 141);
    // A signal that came after the last file was handed out stops nothing.
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::Completed, 3, 0}, SIGTERM), 0);
    // Memory that ran out mid-run: the files not handed out are untouched.
    EXPECT_EQ(CliApp::exitStatusFor({BatchEnd::Unexpected, 1, 0}), 1);

    // A watch ends by a signal, or where its first run or a batch ended, or
    // with 2 once its folder cannot be watched.
    const auto watched = [](WatchEnd end, BatchSummary last = {}) {
        WatchSummary summary;
        summary.end = end;
        summary.last = last;
        return summary;
    };
    EXPECT_EQ(CliApp::exitStatusFor(watched(WatchEnd::Stopped, {BatchEnd::Completed, 3, 1}), SIGINT), 130);
    EXPECT_EQ(CliApp::exitStatusFor(watched(WatchEnd::Stopped), SIGTERM), 143);
    EXPECT_EQ(CliApp::exitStatusFor(watched(WatchEnd::FirstRunEnded, {BatchEnd::InputFolderMissing})), 2);
    EXPECT_EQ(CliApp::exitStatusFor(watched(WatchEnd::BatchEnded, {BatchEnd::Unexpected, 0, 0})), 1);
    EXPECT_EQ(CliApp::exitStatusFor(watched(WatchEnd::CannotWatch)), 2);
    EXPECT_EQ(CliApp::exitStatusFor(watched(WatchEnd::FolderGone), SIGINT), 2);
}

std::string contentsOf(std::FILE* stream);

struct Printed {
    int status = -1;
    std::string out, err;
};

// What `pellora-cli ARGUMENTS` prints, run in this process with the given default settings file.
Printed ranWith(const Arguments& arguments, const std::filesystem::path& settingsFile,
                CliLanguage language = CliLanguage::English)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Printed printed;
    printed.status = CliApp(out, err, settingsFile, CliMessages(language)).run(arguments);
    printed.out = contentsOf(out);
    printed.err = contentsOf(err);
    std::fclose(out);
    std::fclose(err);
    return printed;
}

std::string printedBy(const Arguments& arguments, const std::filesystem::path& settingsFile)
{
    return ranWith(arguments, settingsFile).out;
}

TEST(CliApp, HelpNamesTheSettingsFileThisCopyReads)
{
#ifdef _WIN32
    const std::string help = printedBy({"--help"}, L"C:\\Users\\u\\AppData\\Roaming\\Pellora\\Pellora.ini");
    EXPECT_TRUE(help.ends_with("\nSettings file: C:\\Users\\u\\AppData\\Roaming\\Pellora\\Pellora.ini\n")) << help;
    EXPECT_NE(help.find("%APPDATA%\\Pellora\\Pellora.ini"), std::string::npos) << help;
    EXPECT_NE(help.find("130 Ctrl+C or Ctrl+Break, 129 the console closed"), std::string::npos) << help;
#else
    const std::string help = printedBy({"--help"}, "/home/u/.config/pellora/Pellora.ini");
    EXPECT_TRUE(help.ends_with("\nSettings file: /home/u/.config/pellora/Pellora.ini\n")) << help;
    EXPECT_NE(help.find("$XDG_CONFIG_HOME/pellora/Pellora.ini"), std::string::npos) << help;
#endif
}

// A mistake is told on one line and a hint, not drowned in the whole help;
// the help goes to standard output, where a pager reads it. In the locale's language.
TEST(CliApp, AUsageErrorIsOneLineAndAHint)
{
    struct Case {
        Arguments arguments;
        CliLanguage language;
        int status;
        const char* out; // its start; the whole of it when it is empty
        const char* err;
    };
    const Case cases[] = {
        {{"--frobnicate"}, CliLanguage::English, 2, "",
         "pellora-cli: unknown option \"--frobnicate\"\nTry 'pellora-cli --help' for more information.\n"},
        {{"-q", "101", "--in", "/nowhere"}, CliLanguage::English, 2, "",
         "pellora-cli: --quality takes a whole number from 1 to 100, not \"101\"\n"
         "Try 'pellora-cli --help' for more information.\n"},
        {{"--frobnicate"}, CliLanguage::Japanese, 2, "",
         "pellora-cli: 不明なオプションです: \"--frobnicate\"\n詳しくは 'pellora-cli --help' を実行してください。\n"},
        {{"--in"}, CliLanguage::Japanese, 2, "",
         "pellora-cli: --in には値が必要です\n詳しくは 'pellora-cli --help' を実行してください。\n"},
        {{"-h"}, CliLanguage::English, 0, "usage: pellora-cli [-i DIR] [-o DIR]", ""},
        {{"-h"}, CliLanguage::Japanese, 0, "使い方: pellora-cli [-i フォルダ] [-o フォルダ]", ""},
        {{"-V"}, CliLanguage::Japanese, 0, "pellora-cli " PELLORA_VERSION "\n", ""},
        // Not a usage error: no hint.
        {{"--settings", "/nowhere/x.ini"}, CliLanguage::Japanese, 2, "", "pellora-cli: 設定ファイル \"/nowhere/x.ini\" がありません\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(joined(c.arguments) + (c.language == CliLanguage::Japanese ? " (ja)" : " (en)"));
        const Printed printed = ranWith(c.arguments, "/home/u/.config/pellora/Pellora.ini", c.language);
        EXPECT_EQ(printed.status, c.status);
        EXPECT_TRUE(printed.out.starts_with(c.out) && (*c.out || printed.out.empty())) << printed.out;
        EXPECT_EQ(printed.err, c.err);
    }
    EXPECT_TRUE(ranWith({"--help"}, "/p/Pellora.ini", CliLanguage::Japanese).out.ends_with("\n設定ファイル: /p/Pellora.ini\n"));
}

std::string contentsOf(std::FILE* stream)
{
    std::fflush(stream);
    std::rewind(stream);
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        text.append(buffer, n);
    return text;
}

// Standard output stays exactly the list, for scripts; what a failure line
// cannot say goes beside it on standard error, on one line.
TEST(ConsoleHost, DetailOfALineGoesToStandardErrorOnOneLine)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    {
        ConsoleHost host(Settings::defaults(), false, out, err, false);
        host.addListLine(std::string("コピー失敗 エラーコード-1"),
                         std::string("bad.tga: TGA ファイルとして読めません\r\n（ヘッダーが短すぎます）"));
        host.addListLine(std::string("a.tga\t--->\tsshot002.jpg"), std::string());
    }
    EXPECT_EQ(contentsOf(out), "コピー失敗 エラーコード-1\na.tga\t--->\tsshot002.jpg\n");
    EXPECT_EQ(contentsOf(err), "bad.tga: TGA ファイルとして読めません  （ヘッダーが短すぎます）\n");
    std::fclose(out);
    std::fclose(err);
}

// `| head -1`: once nobody reads the list, the run stops as after Ctrl+C,
// and any other write failure only loses lines.
#ifdef _WIN32
std::FILE* pipeNobodyReads()
{
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, nullptr, 0))
        return nullptr;
    ::CloseHandle(read);
    return ::_fdopen(::_open_osfhandle(reinterpret_cast<intptr_t>(write), _O_WRONLY | _O_BINARY), "wb");
}
#else
std::FILE* pipeNobodyReads()
{
    int ends[2];
    if (::pipe(ends) != 0)
        return nullptr;
    ::close(ends[0]);
    return ::fdopen(ends[1], "w");
}
#endif

TEST(ConsoleHost, AListNobodyReadsAnyMoreStopsTheRun)
{
    std::FILE* out = pipeNobodyReads();
    ASSERT_NE(out, nullptr);
#ifndef _WIN32
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
#endif
    const Status written = writeUtf8(out, "a.tga\t--->\tsshot001.jpg\n");
    ConsoleHost host(Settings::defaults(), false, out, stderr, false);
    host.addListLine("a.tga\t--->\tsshot001.jpg", "");
#ifndef _WIN32
    std::signal(SIGPIPE, previous);
#endif
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(written.error().cause, FailureCause::CannotWrite);
    EXPECT_EQ(written.error().systemError, EPIPE);
    EXPECT_EQ(host.stopSignal(), kBrokenPipeSignal);
    std::fclose(out);

#ifndef _WIN32 // Windows has no device that is always full
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    const Status lost = writeUtf8(full, "x\n");
    ConsoleHost diskFull(Settings::defaults(), false, full, stderr, false);
    diskFull.addListLine("a.tga\t--->\tsshot001.jpg", "");
    ASSERT_FALSE(lost.has_value());
    EXPECT_EQ(lost.error().systemError, ENOSPC);
    EXPECT_EQ(diskFull.stopSignal(), 0) << "a full disk under the list is no reason to stop";
    std::fclose(full);
#endif

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(writeUtf8(file, "x\n").has_value());
    std::fclose(file);
}

// The window stores a folder as its box shows it, "~/shots" included.
TEST(ConsoleHost, FoldersStartingWithTildeAreInTheHomeFolder)
{
    Settings settings = Settings::defaults();
    settings.inDir = "~/shots";
    settings.outDir = "~";
    ConsoleHost host(settings, false, stdout, stderr, false);
#ifdef _WIN32 // which has no such notation: "~" is a name like any other
    EXPECT_EQ(host.request(1).inputFolder, "~/shots");
    EXPECT_EQ(host.request(1).outputFolder, "~");
#else
    const std::string home = std::getenv("HOME");
    EXPECT_EQ(host.request(1).inputFolder, home + "/shots");
    EXPECT_EQ(host.request(1).outputFolder, home);
#endif
}

struct Outcome {
    int status = -1;
    std::string out;
};

// Runs the real executable, as a script would. `environment` goes before
// the command ("NAME=value "); standard error is dropped unless `errors`
// sends it elsewhere ("2>&1": into the output).
#ifdef _WIN32
std::wstring wide(const std::string& utf8)
{
    const std::u16string units = utf8::toUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

// The same through Windows' command interpreter: each NAME=value becomes a
// `set`, and "2>/dev/null" is "2>NUL" there.
Outcome runCli(const std::string& arguments, const std::string& environment = "",
               const std::string& errors = "2>/dev/null")
{
    const char* build = std::getenv("PELLORA_BUILD_DIR");
    if (!build || !*build)
        build = PELLORA_DEFAULT_BUILD_DIR;
    std::string command;
    std::string assignments = "LC_ALL= LC_MESSAGES= LANG=C.UTF-8 " + environment;
    for (std::size_t at = 0; at < assignments.size();) {
        const std::size_t end = assignments.find(' ', at);
        const std::string assignment = assignments.substr(at, end - at);
        if (!assignment.empty())
            command += "set \"" + assignment + "\"&& ";
        at = end == std::string::npos ? assignments.size() : end + 1;
    }
    command += "\"" + std::string(build) + "\\pellora-cli.exe\" " + arguments + " "
               + (errors == "2>/dev/null" ? std::string("2>NUL") : errors);
    Outcome outcome;
    std::FILE* pipe = ::_wpopen(wide(command).c_str(), L"rb");
    if (!pipe)
        return outcome;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        outcome.out.append(buffer, n);
    outcome.status = ::_pclose(pipe);
    return outcome;
}
#else
Outcome runCli(const std::string& arguments, const std::string& environment = "",
               const std::string& errors = "2>/dev/null")
{
    const char* build = std::getenv("PELLORA_BUILD_DIR");
    if (!build || !*build)
        build = PELLORA_DEFAULT_BUILD_DIR;
    // English unless `environment` says otherwise, whatever the locale of the tests.
    const std::string command = "LC_ALL= LC_MESSAGES= LANG=C.UTF-8 " + environment + std::string(build) +
                                "/pellora-cli " + arguments + " " + errors;
    Outcome outcome;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return outcome;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        outcome.out.append(buffer, n);
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}
#endif

TEST(PelloraCli, ConvertsAFolderEndToEnd)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir / "in");
    test::writeGameTga(dir / "in" / "b.tga", test::samplePicture(30, 20, 1));
    test::writeGameTga(dir / "in" / "a.tga", test::samplePicture(30, 20, 2));
    test::writeBytes(dir / "settings.ini", {'[', 'i', 'n', 'i', 't', 'i', 'a', 'l', 'i', 'z', 'e', ']'});
    const std::string common = "--settings " + (dir / "settings.ini").string() + " --in " + (dir / "in").string() +
                               " --out " + (dir / "out").string() + " --quality 85 --delete --jobs 2";

    // Without --create-out the missing output folder ends the run before any file.
    Outcome declined = runCli(common);
    EXPECT_EQ(declined.status, 2);
    EXPECT_EQ(declined.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    // The question is the engine's, in Japanese; the answer is the command line's, in the locale's language.
    for (const auto& [locale, answer] : {std::pair{"", "-> no (give --create-out to create it)\n"},
                                         std::pair{"LANG=ja_JP.UTF-8 ", "-> いいえ（作成するには --create-out を指定してください）\n"}}) {
        Outcome told = runCli(common, locale, "2>&1");
        EXPECT_EQ(told.status, 2);
        EXPECT_TRUE(told.out.starts_with("コピー先フォルダが無効です。")) << told.out;
        EXPECT_TRUE(told.out.ends_with(std::string("？\n") + answer)) << told.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));

    Outcome done = runCli(common + " --create-out");
    EXPECT_EQ(done.status, 0);
    EXPECT_EQ(done.out, "a.tga\t--->\tsshot001.jpg\nb.tga\t--->\tsshot002.jpg\n");
    EXPECT_EQ(test::listNames(dir / "out"), (std::vector<std::string>{"kavlog.txt", "sshot001.jpg", "sshot002.jpg"}));
    EXPECT_TRUE(test::listNames(dir / "in").empty());
    EXPECT_TRUE(test::decodeJpegFile(dir / "out" / "sshot002.jpg").has_value());

    Outcome nothing = runCli(common);
    EXPECT_EQ(nothing.status, 0);
    EXPECT_EQ(nothing.out, "処理するファイルが見つかりません。\n");

    test::writeBytes(dir / "in" / "broken.tga", {1, 2, 3});
    Outcome failed = runCli(common);
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "コピー失敗 エラーコード-1\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "in" / "broken.tga"));

    EXPECT_EQ(runCli("--quality 101").status, 2);
    EXPECT_EQ(runCli("--quality=101", "", "2>&1").out,
              "pellora-cli: --quality takes a whole number from 1 to 100, not \"101\"\n"
              "Try 'pellora-cli --help' for more information.\n");
    // The language comes from the environment, as the C library reads it.
    for (const char* japanese : {"LANG=ja_JP.UTF-8 ", "LC_MESSAGES=ja_JP.UTF-8 ", "LANG=en_US.UTF-8 LC_ALL=ja_JP.UTF-8 "}) {
        Outcome refused = runCli("-q101", japanese, "2>&1");
        EXPECT_EQ(refused.status, 2) << japanese;
        EXPECT_EQ(refused.out, "pellora-cli: --quality には 1 から 100 までの整数を指定してください（\"101\" は指定できません）\n"
                               "詳しくは 'pellora-cli --help' を実行してください。\n") << japanese;
    }
    EXPECT_TRUE(runCli("-q101", "LANG=ja_JP.UTF-8 LC_ALL=C ", "2>&1").out.starts_with("pellora-cli: --quality takes"));
    // The list and the log keep their Japanese in any locale.
    Outcome english = runCli(common, "LANG=en_US.UTF-8 ");
    EXPECT_EQ(english.status, 1);
    EXPECT_EQ(english.out, "コピー失敗 エラーコード-1\n");
}

// A C library without the code page 932 converter (no gconv modules) can
// write neither the log nor the settings as the Windows tool reads them: the
// command line says so on one line and stops before anything, never aborts.
TEST(PelloraCli, WithoutCodePage932ItSaysSoAndStopsBeforeAnything)
{
#ifndef PELLORA_WITHOUT_CP932
    GTEST_SKIP() << "a C library without code page 932 is played on Linux only; Windows always has the code page";
#else
    test::TempDir dir;
    std::filesystem::create_directories(dir / "in");
    std::filesystem::create_directories(dir / "out");
    test::writeGameTga(dir / "in" / "a.tga", test::samplePicture(16, 16));
    const std::string ini = "[initialize]\r\nmatch=pic\r\n";
    test::writeBytes(dir / "my.ini", std::vector<unsigned char>(ini.begin(), ini.end()));

    const std::string arguments =
        "--settings " + (dir / "my.ini").string() + " --in " + (dir / "in").string() + " --out " + (dir / "out").string();
    // What it says goes to standard error, kept here with the output.
    const Outcome outcome =
        runCli(arguments, "LD_PRELOAD=" PELLORA_WITHOUT_CP932 " ASAN_OPTIONS=verify_asan_link_order=0 ", "2>&1");
    EXPECT_EQ(outcome.status, CliApp::UsageOrFolderProblem);
    EXPECT_TRUE(outcome.out.starts_with("pellora-cli: ")) << outcome.out;
    EXPECT_NE(outcome.out.find("code page 932"), std::string::npos) << outcome.out;
    EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 1) << outcome.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "in" / "a.tga"));
    EXPECT_TRUE(test::listNames(dir / "out").empty());

    const Outcome japanese = runCli(
        arguments, "LD_PRELOAD=" PELLORA_WITHOUT_CP932 " ASAN_OPTIONS=verify_asan_link_order=0 LANG=ja_JP.UTF-8 ", "2>&1");
    EXPECT_EQ(japanese.status, CliApp::UsageOrFolderProblem);
    EXPECT_TRUE(japanese.out.starts_with("pellora-cli: このシステムは、")) << japanese.out;
    EXPECT_NE(japanese.out.find("コードページ 932"), std::string::npos) << japanese.out;
    EXPECT_EQ(std::count(japanese.out.begin(), japanese.out.end(), '\n'), 1) << japanese.out;

    EXPECT_EQ(runCli(arguments).status, CliApp::AllConverted) << "with the converter the same run goes through";
#endif
}

// With --delete, a TGA that stays would be converted again by every later
// run: standard output keeps the list's lines as they are, standard error
// says which TGA stayed and why, and the exit status is 1.
TEST(PelloraCli, ATgaThatCouldNotBeDeletedIsToldAndFailsTheRun)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir / "in");
    std::filesystem::create_directory(dir / "out");
    for (const char* name : {"a.tga", "b.tga", "c.tga"})
        test::writeGameTga(dir / "in" / name, test::samplePicture(16, 16));
    test::makeReadOnly(dir / "in" / "a.tga");
    test::writeBytes(dir / "settings.ini", {'[', 'i', 'n', 'i', 't', 'i', 'a', 'l', 'i', 'z', 'e', ']'});
    const Arguments arguments{"--settings", (dir / "settings.ini").string(),
                              "--in",       (dir / "in").string(),
                              "--out",      (dir / "out").string(),
                              "--delete", "--jobs", "2"};
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    int status = -1;
    {
        test::FakeFileSystem fs;
        fs.fail(test::FakeFileSystem::Op::Unlink, EROFS, "b.tga");
        ScopedFileSystem seam(fs);
        status = CliApp(out, err, dir / "beside-the-program.ini").run(arguments);
    }
    EXPECT_EQ(status, CliApp::SomeFailed);
    EXPECT_EQ(contentsOf(out), "a.tga\t--->\tsshot001.jpg\nb.tga\t--->\tsshot002.jpg\nc.tga\t--->\tsshot003.jpg\n");
    EXPECT_EQ(contentsOf(err), "a.tga: 元の TGA ファイルは読み取り専用のため残しました\n"
                               "b.tga: 元の TGA ファイルを削除できないため残しました（書き込み禁止のディスクです）\n");
    EXPECT_EQ(test::listNames(dir / "in"), (std::vector<std::string>{"a.tga", "b.tga"}));
    std::fclose(out);
    std::fclose(err);

    // The program itself: the read-only TGA stays again, and says so in its status.
    Outcome again = runCli(joined(Arguments(arguments.begin(), arguments.begin() + 6)) + " --delete");
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.out, "a.tga\t--->\tsshot004.jpg\nb.tga\t--->\tsshot005.jpg\n");
    EXPECT_EQ(test::listNames(dir / "in"), std::vector<std::string>{"a.tga"});
}

// What a terminal or a line-by-line reader would act on: C0 controls but
// tab and line feed, DEL, C1 controls and the Unicode line, paragraph and
// direction controls, in UTF-8, or a byte that is no UTF-8 (read as U+FFFD).
// Empty when there is none.
std::string firstControlIn(const std::string& utf8)
{
    for (std::size_t at = 0; at < utf8.size();) {
        const utf8::Sequence s = utf8::first(std::string_view(utf8).substr(at));
        at += s.length;
        const char32_t c = s.wellFormed ? s.codePoint : 0xFFFD;
        if ((c < 0x20 && c != u'\t' && c != u'\n') || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
            (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFFFD) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(c));
            return hex;
        }
    }
    return {};
}

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// A name may hold any byte but '/' and NUL. Whatever it holds, each file is
// one line on standard output, its detail one line on standard error, its
// line one CR LF line in the log, and none of them carries a control
// character a terminal would act on.
TEST(PelloraCli, HostileFileNamesStayOneLineOfPlainText)
{
#ifdef _WIN32
    // Windows' names are UTF-16 and hold no C0 control and no backslash: what
    // is left that a terminal would act on is C1 controls and Unicode's line,
    // paragraph and direction controls.
    const std::string converted[] = {
        "c1-\xc2\x9b" "31m.tga",
        "next-line\xc2\x85.tga",
        "sep\xe2\x80\xa8" "arated.tga",
        "gpj\xe2\x80\xae.tga",
    };
    const std::string broken = "broken\xe2\x80\xae\xc2\x9b.tga", readOnly = "read-only\xe2\x80\xa9.tga";
#else
    const std::string converted[] = {
        "new\nline.tga",
        "cr\rreturn.tga",
        "\x1b[2J\x1b]0;title\x07" "esc.tga",
        "tab\tname.tga",
        "c1-\xc2\x9b" "31m.tga",
        "next-line\xc2\x85.tga",
        "sep\xe2\x80\xa8" "arated.tga",
        "gpj\xe2\x80\xae.tga",
        "latin1-\xe9t\xe9.tga",
        "back\\nslash.tga",
    };
    const std::string broken = "broken\n\x1b[31m.tga", readOnly = "read-only\r\n.tga";
#endif
    test::TempDir dir;
    std::filesystem::create_directory(dir / "in");
    std::filesystem::create_directory(dir / "out");
    int seed = 0;
    for (const auto& name : converted)
        test::writeGameTga(dir / "in" / pathText::toPath(name), test::samplePicture(16, 16, ++seed));
    // One that fails and one that stays: their details name them on standard error.
    test::writeBytes(dir / "in" / pathText::toPath(broken), {1, 2, 3});
    test::writeGameTga(dir / "in" / pathText::toPath(readOnly), test::samplePicture(16, 16, ++seed));
    test::makeReadOnly(dir / "in" / pathText::toPath(readOnly));
    const size_t files = std::size(converted) + 2;
    test::writeBytes(dir / "settings.ini", {'[', 'i', 'n', 'i', 't', 'i', 'a', 'l', 'i', 'z', 'e', ']'});

    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    const int status = CliApp(out, err, dir / "beside-the-program.ini")
                           .run({"--settings", (dir / "settings.ini").string(), "--in", (dir / "in").string(), "--out",
                                 (dir / "out").string(), "--delete", "--log", "--jobs", "2"});
    const std::string listed = contentsOf(out), told = contentsOf(err);
    std::fclose(out);
    std::fclose(err);
    EXPECT_EQ(status, CliApp::SomeFailed);

    EXPECT_EQ(static_cast<size_t>(std::count(listed.begin(), listed.end(), '\n')), files) << listed;
    EXPECT_EQ(occurrences(listed, "\t--->\t"), files - 1) << listed;
    EXPECT_EQ(occurrences(listed, "コピー失敗 エラーコード-1\n"), 1u) << listed;
    EXPECT_EQ(firstControlIn(listed), "") << listed;
#ifdef _WIN32
    EXPECT_NE(listed.find("gpj\\u202e.tga\t--->\t"), std::string::npos) << listed;
    EXPECT_NE(listed.find("c1-\\u009b31m.tga\t--->\t"), std::string::npos) << listed;
#else
    EXPECT_NE(listed.find("new\\nline.tga\t--->\t"), std::string::npos) << listed;
    EXPECT_NE(listed.find("\\x1b[2J\\x1b]0;title\\x07esc.tga\t--->\t"), std::string::npos) << listed;
    EXPECT_NE(listed.find("latin1-\\xe9t\\xe9.tga\t--->\t"), std::string::npos) << listed;
#endif

    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 2) << told;
    EXPECT_EQ(firstControlIn(told), "") << told;
#ifdef _WIN32
    EXPECT_EQ(told.rfind("broken\\u202e\\u009b.tga: ", 0), 0u) << told;
    EXPECT_NE(told.find("\nread-only\\u2029.tga: "), std::string::npos) << told;
#else
    EXPECT_EQ(told.rfind("broken\\n\\x1b[31m.tga: ", 0), 0u) << told;
    EXPECT_NE(told.find("\nread-only\\r\\n.tga: "), std::string::npos) << told;
#endif

    // The log: a start line, a line per file, an end line and an empty line, each ended by CR LF.
    std::string log = test::readText(dir / "out" / "kavlog.txt");
    ASSERT_TRUE(log.ends_with("\r\n\r\n"));
    size_t lines = 0;
    for (size_t at = 0; at < log.size(); ++lines) {
        const size_t end = log.find("\r\n", at);
        const std::string line = log.substr(at, end - at);
        EXPECT_EQ(line.find_first_of("\r\n\x1b"), std::string::npos) << line;
        at = end + 2;
    }
    EXPECT_EQ(lines, files + 3);
}

TEST(PelloraCli, TakesItsStartingValuesFromTheSettingsFile)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir / "in");
    std::filesystem::create_directories(dir / "out");
    test::writeGameTga(dir / "in" / "a.tga", test::samplePicture(16, 16));
    const std::string ini = "[initialize]\r\nindir=" + (dir / "in").string() + "\r\noutdir=" + (dir / "out").string() +
                            "\r\nmatch=pic\r\nquality=abc\r\ndelcheck=1\r\nlogcheck=0\r\n";
    test::writeBytes(dir / "my.ini", std::vector<unsigned char>(ini.begin(), ini.end()));

    Outcome outcome = runCli("--settings " + (dir / "my.ini").string());
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "a.tga\t--->\tpic001.jpg\n");
    EXPECT_EQ(test::listNames(dir / "out"), std::vector<std::string>{"pic001.jpg"}); // log off
    EXPECT_TRUE(test::listNames(dir / "in").empty());                                // delete on
    EXPECT_EQ(test::readText(dir / "my.ini"), ini);                                   // never written
}

TEST(PelloraCli, ASettingsFileNamedThatCannotBeUsedStopsBeforeAnything)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir / "in");
    test::writeGameTga(dir / "in" / "a.tga", test::samplePicture(16, 16));
    const std::string good = "[initialize]\r\nquality=80\r\n";
    test::writeBytes(dir / "mine.ini", std::vector<unsigned char>(good.begin(), good.end()));
    test::writeBytes(dir / "locked.ini", std::vector<unsigned char>(good.begin(), good.end()));
    const std::string other = "[other]\r\nquality=80\r\n";
    test::writeBytes(dir / "other.ini", std::vector<unsigned char>(other.begin(), other.end()));
    test::writeBytes(dir / "empty.ini", {});
    std::filesystem::create_directory(dir / "folder.ini");
    const bool fifoMade = test::makeFifo(dir / "fifo.ini"); // Windows has none
    const bool linkMade = test::makeLink(dir / "missing.ini", dir / "dangling.ini"); // not under Wine

    struct Case {
        const char* file;
        const char* cause;
    };
    const Case cases[] = {
        {"mine.in", "does not exist"}, // the typing mistake of the report
        {"dangling.ini", "does not exist"},
        {"folder.ini", "is not a regular file"},
        {"fifo.ini", "is not a regular file"},
        {"locked.ini", "cannot be read (Permission denied)"},
        {"other.ini", "has no [initialize] section"},
        {"empty.ini", "has no [initialize] section"},
#ifdef _WIN32 // where no name holds a control character
        {"new\nline\x1b[2J.ini", "cannot be read (Invalid argument)"}, // named on one line of plain text
#else
        {"new\nline\x1b[2J.ini", "does not exist"}, // named on one line of plain text
#endif
    };
    // Root reads any file, so the refusal comes through the seam.
    test::FakeFileSystem fs;
    fs.fail(test::FakeFileSystem::Op::Open, EACCES, "locked.ini");
    ScopedFileSystem seam(fs);
    for (const Case& c : cases) {
        if ((std::string(c.file) == "fifo.ini" && !fifoMade) || (std::string(c.file) == "dangling.ini" && !linkMade))
            continue;
        SCOPED_TRACE(c.file);
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        ASSERT_TRUE(out && err);
        const std::string file = (dir / c.file).string();
        CliApp app(out, err, dir / "beside-the-program.ini");
        const int status = app.run({"--settings", file, "--in", (dir / "in").string(), "--out", (dir / "out").string(),
                                    "--create-out", "--log", "--delete"});
        EXPECT_EQ(status, CliApp::UsageOrFolderProblem);
        EXPECT_EQ(contentsOf(err), "pellora-cli: settings file \"" + visibleName(std::string_view(file)) + "\" " + c.cause + "\n");
        EXPECT_EQ(contentsOf(out), "");
        EXPECT_FALSE(std::filesystem::exists(dir / "out")) << "the run started anyway";
        EXPECT_TRUE(std::filesystem::exists(dir / "in" / "a.tga"));
        std::fclose(out);
        std::fclose(err);
    }
}

// The settings file beside the program (or in the configuration folder) is
// not named by the user: one that cannot be read leaves the defaults, but the
// user hears why; only a missing one is the quiet first use. A settings file
// in UTF-16 is read, named or not.
TEST(PelloraCli, ADefaultSettingsFileThatCannotBeReadIsToldAndTheDefaultsAreUsed)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir / "in");
    test::writeGameTga(dir / "in" / "a.tga", test::samplePicture(16, 16));
    const std::string good = "[initialize]\r\nmatch=pic\r\n";
    test::writeBytes(dir / "locked.ini", std::vector<unsigned char>(good.begin(), good.end()));
    test::writeBytes(dir / "large.ini", std::vector<unsigned char>(good.begin(), good.end()));
    std::filesystem::resize_file(dir / "large.ini", (64u << 20) + 1); // sparse: costs no disk
    const std::string other = "[other]\r\nmatch=pic\r\n";
    test::writeBytes(dir / "other.ini", std::vector<unsigned char>(other.begin(), other.end()));
    std::filesystem::create_directory(dir / "folder.ini");
    const bool fifoMade = test::makeFifo(dir / "fifo.ini"); // Windows has none
    const bool linkMade = test::makeLink(dir / "missing.ini", dir / "dangling.ini"); // not under Wine
    // Notepad's "Unicode": "[initialize]\r\nmatch=pic\r\n" in UTF-16, little-endian, then big-endian.
    std::vector<unsigned char> utf16Le{0xFF, 0xFE}, utf16Be{0xFE, 0xFF};
    for (const char c : good) {
        utf16Le.insert(utf16Le.end(), {static_cast<unsigned char>(c), 0});
        utf16Be.insert(utf16Be.end(), {0, static_cast<unsigned char>(c)});
    }
    test::writeBytes(dir / "utf16le.ini", utf16Le);
    test::writeBytes(dir / "utf16be.ini", utf16Be);

    struct Case {
        const char* file;
        bool named; // with --settings, or as the default
        const char* cause; // nothing on standard error when empty
        const char* line;
    };
    const Case cases[] = {
        {"missing.ini", false, "", "a.tga\t--->\tsshot001.jpg\n"},
        {"other.ini", false, "", "a.tga\t--->\tsshot001.jpg\n"},
        {"folder.ini", false, "is not a regular file", "a.tga\t--->\tsshot001.jpg\n"},
        {"fifo.ini", false, "is not a regular file", "a.tga\t--->\tsshot001.jpg\n"},
        {"locked.ini", false, "cannot be read (Permission denied)", "a.tga\t--->\tsshot001.jpg\n"},
        {"large.ini", false, "is larger than 64 MiB", "a.tga\t--->\tsshot001.jpg\n"},
        {"dangling.ini", false, "is a link to a missing file", "a.tga\t--->\tsshot001.jpg\n"},
        {"utf16le.ini", false, "", "a.tga\t--->\tpic001.jpg\n"},
        {"utf16be.ini", false, "", "a.tga\t--->\tpic001.jpg\n"},
        {"utf16le.ini", true, "", "a.tga\t--->\tpic001.jpg\n"},
        {"utf16be.ini", true, "", "a.tga\t--->\tpic001.jpg\n"},
    };
    // Root reads any file, so the refusal comes through the seam.
    test::FakeFileSystem fs;
    fs.fail(test::FakeFileSystem::Op::Open, EACCES, "locked.ini");
    ScopedFileSystem seam(fs);
    int run = 0;
    for (const Case& c : cases) {
        if ((std::string(c.file) == "fifo.ini" && !fifoMade) || (std::string(c.file) == "dangling.ini" && !linkMade))
            continue;
        SCOPED_TRACE(std::string(c.file) + (c.named ? " named" : " as the default"));
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        ASSERT_TRUE(out && err);
        const std::filesystem::path settings = dir / c.file;
        const std::filesystem::path output = dir / ("out" + std::to_string(++run));
        std::filesystem::create_directory(output);
        Arguments arguments{"--in", (dir / "in").string(), "--out", output.string(), "--keep", "--no-log"};
        if (c.named)
            arguments.insert(arguments.end(), {"--settings", settings.string()});
        const int status = CliApp(out, err, c.named ? dir / "missing.ini" : settings).run(arguments);
        EXPECT_EQ(status, CliApp::AllConverted);
        const std::string cause = c.cause;
        EXPECT_EQ(contentsOf(err), cause.empty() ? std::string()
                                                 : "pellora-cli: settings file \"" + visibleName(settings) + "\" "
                                                       + cause + "; using the defaults\n");
        EXPECT_EQ(contentsOf(out), c.line);
        std::fclose(out);
        std::fclose(err);
    }
    EXPECT_EQ(test::readBytes(dir / "utf16le.ini"), utf16Le) << "the command line never writes the settings";
}

} // namespace
} // namespace pellora
