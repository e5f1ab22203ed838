#include "batch/BatchRun.h"

#include "platform/text/Cp932.h"
#include "platform/text/PathText.h"
#include "support/FakeFileSystem.h"
#include "support/FakeHost.h"
#include "support/FileTimes.h"
#include "support/JpegProbe.h"
#include "support/NonRegularFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <regex>
#include <functional>
#include <new>
#include <thread>

namespace pellora {
namespace {

using test::FakeHost;
using test::Lines;
using test::TempDir;

const std::string kLimitLine = std::string("エラー発生 連番が999件を越えました。");

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(in());
        std::filesystem::create_directory(out());
        host.inDir = in().string();
        host.outDir = out().string();
    }

    std::filesystem::path in() const { return dir / "in"; }
    std::filesystem::path out() const { return dir / "out"; }
    std::filesystem::path logFile() const { return out() / "kavlog.txt"; }

    void addSource(const std::string& name, int seed = 0)
    {
        test::writeGameTga(in() / pathText::toPath(name), test::samplePicture(24, 16, seed));
    }
    void touch(const std::filesystem::path& path) { test::writeBytes(path, {'x'}); }

    // The log as text, with the run's date and time masked out.
    std::string logText() const
    {
        return test::withDatesMasked(cp932::decode(test::readText(logFile())).value());
    }

    BatchSummary run(unsigned jobs = 1, FileSystem& fs = systemFileSystem()) { return BatchRun(host.request(jobs), host.frontEnd(), fs).run(); }

    TempDir dir;
    FakeHost host;
};

TEST_F(BatchRunTest, NumbersFilesFromOneInNameOrderIgnoringCase)
{
    addSource("b.TGA");
    addSource("A.tga");
    addSource("c.Tga");
    addSource("_d.tga"); // after the letters, as Windows lists it
    addSource("notes.txt");
    addSource(".hidden.tga"); // hidden here: neither converted nor counted
    addSource(".tga");
    std::filesystem::create_directory(in() / "folder.tga"); // a folder is never a source

    const BatchSummary summary = run();

    EXPECT_EQ(summary.end, BatchEnd::Completed);
    EXPECT_EQ(summary.converted, 4);
    EXPECT_EQ(host.lines, Lines({"A.tga\t--->\tsshot001.jpg", "b.TGA\t--->\tsshot002.jpg",
                                       "c.Tga\t--->\tsshot003.jpg", "_d.tga\t--->\tsshot004.jpg"}));
    EXPECT_EQ(test::listNames(out()), (std::vector<std::string>{"kavlog.txt", "sshot001.jpg", "sshot002.jpg",
                                                                "sshot003.jpg", "sshot004.jpg"}));
    EXPECT_TRUE(test::decodeJpegFile(out() / "sshot002.jpg").has_value());
    EXPECT_TRUE(test::contains(host.events, std::string("max:4")));
    // Sources stay when the delete option is off.
    EXPECT_TRUE(std::filesystem::exists(in() / "b.TGA"));
}

// Games number their shots without padding; the serials follow the shots.
TEST_F(BatchRunTest, NumbersShotsInTheOrderTheyWereTaken)
{
    for (const char* name : {"ScreenShot10.tga", "ScreenShot2.tga", "screenshot1.tga", "ScreenShot11.tga",
                             "2024-01-05_10-03-07.tga", "2024-01-05_9-59-59.tga"})
        addSource(name);

    run();
    EXPECT_EQ(host.lines, Lines({"2024-01-05_9-59-59.tga\t--->\tsshot001.jpg",
                                 "2024-01-05_10-03-07.tga\t--->\tsshot002.jpg",
                                 "screenshot1.tga\t--->\tsshot003.jpg", "ScreenShot2.tga\t--->\tsshot004.jpg",
                                 "ScreenShot10.tga\t--->\tsshot005.jpg", "ScreenShot11.tga\t--->\tsshot006.jpg"}));
}

TEST_F(BatchRunTest, ContinuesAfterTheHighestSerialOfAnyExtensionAndCase)
{
    touch(out() / "sshot004.jpg");
    touch(out() / "SSHOT010.tga");
    touch(out() / "sshotabc.jpg");     // does not convert
    touch(out() / "sshot9.jpg");       // "9.j" does not convert
    touch(out() / "other999.jpg");     // another prefix
    addSource("x.tga");

    run();
    EXPECT_EQ(host.lines, Lines({"x.tga\t--->\tsshot011.jpg"}));
}

// A watch's batch: only the files it names, in the folder's order and
// numbered after what the output folder holds, as a whole run would.
TEST_F(BatchRunTest, ARunRestrictedToSomeNamesConvertsOnlyThoseInListOrder)
{
    touch(out() / "sshot004.jpg");
    for (const char* name : {"a.tga", "b.tga", "c.tga", "d.tga"})
        addSource(name);
    BatchRun restricted(host.request(2), host.frontEnd(), systemFileSystem());
    restricted.restrictTo({"d.tga", "b.tga", "gone.tga", "notes.txt"});

    const BatchSummary summary = restricted.run();

    EXPECT_EQ(summary.end, BatchEnd::Completed);
    EXPECT_EQ(host.lines, Lines({"b.tga\t--->\tsshot005.jpg", "d.tga\t--->\tsshot006.jpg"}));
    EXPECT_TRUE(std::filesystem::exists(in() / "a.tga"));
    EXPECT_FALSE(std::filesystem::exists(out() / "sshot007.jpg"));

    // None of the names there: told as a folder without sources is.
    host.lines.clear();
    BatchRun none(host.request(1), host.frontEnd(), systemFileSystem());
    none.restrictTo({});
    EXPECT_EQ(none.run().end, BatchEnd::NoSourceFiles);
    EXPECT_EQ(host.lines, Lines({"処理するファイルが見つかりません。"}));
}

TEST_F(BatchRunTest, BlanksAroundTheSerialStillCount)
{
    touch(out() / "sshot9  .png");
    touch(out() / "sshot012abc.txt");
    std::filesystem::create_directory(out() / "sshot900"); // folders do not count
    addSource("x.tga");
    run();
    EXPECT_EQ(host.lines, Lines({"x.tga\t--->\tsshot013.jpg"}));
}

TEST_F(BatchRunTest, StopsAtTheSerialLimitBeforeTouchingTheFile)
{
    touch(out() / "sshot998.jpg");
    addSource("a.tga");
    addSource("b.tga");
    host.deleteValue = 1;

    const BatchSummary summary = run();

    EXPECT_EQ(summary.end, BatchEnd::SerialLimit);
    EXPECT_EQ(host.lines, Lines({"a.tga\t--->\tsshot999.jpg", kLimitLine}));
    EXPECT_FALSE(std::filesystem::exists(in() / "a.tga"));
    EXPECT_TRUE(std::filesystem::exists(in() / "b.tga"));
    EXPECT_FALSE(std::filesystem::exists(out() / "sshot1000.jpg"));
}

TEST_F(BatchRunTest, AFullSerialRangeConvertsNothing)
{
    touch(out() / "sshot999.jpg");
    addSource("a.tga");
    run();
    EXPECT_EQ(host.lines, Lines({kLimitLine}));
    EXPECT_EQ(test::listNames(out()), (std::vector<std::string>{"kavlog.txt", "sshot999.jpg"}));
}

TEST_F(BatchRunTest, NoSourceFilesIsReportedAndLogged)
{
    const BatchSummary summary = run();
    EXPECT_EQ(summary.end, BatchEnd::NoSourceFiles);
    EXPECT_EQ(host.lines, Lines({"処理するファイルが見つかりません。"}));
    EXPECT_EQ(logText(), std::string("---処理開始--- [DATE]\r\n処理するファイルが見つかりません。\r\n"
                                        "---処理終了--- [DATE]\r\n\r\n"));
}

// Only an existing folder is an input folder; the run checks the folder
// itself, so a trailing separator is no other folder.
TEST_F(BatchRunTest, OnlyAnExistingFolderIsTheInputFolder)
{
    touch(dir / "file");
    const struct {
        std::string inDir;
        bool accepted;
    } cases[] = {
        {in().string(), true},
        {in().string() + "/", true},
        {(dir / "missing").string(), false},
        {(dir / "file").string(), false},
        {in().string() + std::string("\0b", 2), false}, // not cut short at the NUL
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inDir);
        host.inDir = c.inDir;
        EXPECT_EQ(run().end, c.accepted ? BatchEnd::NoSourceFiles : BatchEnd::InputFolderMissing);
    }
}

TEST_F(BatchRunTest, MissingInputFolderLogsOnlyTheEndLine)
{
    host.inDir += std::string("-missing");
    const BatchSummary summary = run();
    EXPECT_EQ(summary.end, BatchEnd::InputFolderMissing);
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(host.events, Lines({"busy", "clear", "critical:コピー元フォルダが無効です。", "focus:in", "idle",
                                        "value:0"}));
    EXPECT_EQ(logText(), std::string("---処理終了--- [DATE]\r\n\r\n"));
}

TEST_F(BatchRunTest, DeclinedOutputFolderEndsTheRunWithoutCreatingIt)
{
    host.outDir += std::string("/new");
    addSource("a.tga");
    const BatchSummary summary = run();
    EXPECT_EQ(summary.end, BatchEnd::OutputFolderDeclined);
    EXPECT_TRUE(test::contains(host.events, "ask:コピー先フォルダが無効です。\r\n新しく作成しますか？"));
    EXPECT_TRUE(test::contains(host.events, "focus:out"));
    EXPECT_FALSE(std::filesystem::exists(out() / "new"));
    // The end line could not be logged (no folder), and that is not worth a list line.
    EXPECT_TRUE(host.lines.empty());
}

TEST_F(BatchRunTest, AcceptedOutputFolderIsCreatedOneLevelOnly)
{
    addSource("a.tga");
    host.answerYes = true;
    host.outDir += std::string("/new");
    run();
    EXPECT_EQ(host.lines, Lines({"a.tga\t--->\tsshot001.jpg"}));
    EXPECT_TRUE(std::filesystem::exists(out() / "new" / "sshot001.jpg"));

    host.outDir += std::string("/deeper/still");
    const BatchSummary summary = run();
    EXPECT_EQ(summary.end, BatchEnd::OutputFolderNotCreated);
    EXPECT_TRUE(test::contains(host.events, "critical:コピー先フォルダを作成できません。"));
    EXPECT_FALSE(std::filesystem::exists(out() / "new" / "deeper"));
}

TEST_F(BatchRunTest, AFailedFileIsReportedKeptAndTheRunGoesOn)
{
    addSource("a.tga");
    test::writeBytes(in() / "b.tga", {'n', 'o', 't', ' ', 'a', ' ', 't', 'g', 'a'});
    addSource("c.tga");
    host.deleteValue = 1;

    const BatchSummary summary = run();

    EXPECT_EQ(summary.failed, 1);
    EXPECT_EQ(host.lines, Lines({"a.tga\t--->\tsshot001.jpg", "コピー失敗 エラーコード-1",
                                       "c.tga\t--->\tsshot003.jpg"}));
    // Only the failure line has more to say: which file, and why.
    EXPECT_EQ(host.details, Lines({std::string(), std::string("b.tga: TGA ファイルとして読めません（ヘッダーが短すぎます）"),
                                         std::string()}));
    EXPECT_FALSE(std::filesystem::exists(in() / "a.tga"));
    EXPECT_TRUE(std::filesystem::exists(in() / "b.tga"));
    EXPECT_FALSE(std::filesystem::exists(in() / "c.tga"));
    EXPECT_FALSE(std::filesystem::exists(out() / "sshot002.jpg")); // the failed file's serial stays unused
}

TEST_F(BatchRunTest, OptionsAreReadAfreshForEveryFile)
{
    addSource("a.tga");
    addSource("b.tga");
    addSource("c.tga");
    host.deleteValue = 1;
    host.onYield = [this](int) {
        if (host.lines.size() == 1) {
            host.deleteValue = 0; // unchecked once a.tga was done: b and c stay
            host.logValue = 0;
        }
    };
    run();
    EXPECT_FALSE(std::filesystem::exists(in() / "a.tga"));
    EXPECT_TRUE(std::filesystem::exists(in() / "b.tga"));
    EXPECT_TRUE(std::filesystem::exists(in() / "c.tga"));
    EXPECT_EQ(logText(), std::string("---処理開始--- [DATE]\r\na.tga\t--->\tsshot001.jpg\r\n"));
    EXPECT_EQ(host.qualityReads, 3);
}

// Turned on during a run, the delete option takes the files handed out from
// then on: those already being read were not hashed, so nothing could prove
// they still hold what was converted, and they stay.
TEST_F(BatchRunTest, DeleteTurnedOnDuringARunTakesTheFilesNotYetStarted)
{
    for (const char* name : {"a.tga", "b.tga", "c.tga", "d.tga", "e.tga", "f.tga"})
        addSource(name);
    host.onYield = [this](int) {
        if (host.lines.size() == 1)
            host.deleteValue = 1;
    };
    run();
    ASSERT_EQ(host.lines.size(), 6u);
    EXPECT_TRUE(std::filesystem::exists(in() / "a.tga"));
    EXPECT_TRUE(std::filesystem::exists(in() / "b.tga"));
    EXPECT_FALSE(std::filesystem::exists(in() / "f.tga"));
    EXPECT_EQ(test::listNames(out()).size(), 7u); // six JPEGs and the log
}

// Where a case plays its part: the run's folders, its host and its file system.
struct KeptScene {
    std::filesystem::path in, out;
    FakeHost& host;
    test::FakeFileSystem& fs;
};

struct KeptCase {
    const char* name;
    std::function<void(KeptScene&)> arrange;
    Lines details; // beside a.tga, b.tga and c.tga's lines
};

using Op = test::FakeFileSystem::Op;
const std::string kNotDeleted = std::string("元の TGA ファイルを削除できないため残しました");
const std::string kReadOnlyDisk = kNotDeleted + std::string("（書き込み禁止のディスクです）");
const std::string kChanged = std::string("元の TGA ファイルは読み込んだ後に書き換えられたため残しました");
const std::string kReadFirst = std::string("元の TGA ファイルは削除する設定になる前に読み込んだため残しました");

std::vector<KeptCase> keptCases()
{
    return {
        {"the folder may not be changed by this user",
         [](KeptScene& s) { s.fs.fail(Op::Unlink, EACCES, "b.tga"); },
         {"", "b.tga: " + kNotDeleted + "（アクセスが拒否されました）", ""}},
        {"a read-only mount", [](KeptScene& s) { s.fs.fail(Op::Unlink, EROFS); },
         {"a.tga: " + kReadOnlyDisk, "b.tga: " + kReadOnlyDisk, "c.tga: " + kReadOnlyDisk}},
        {"someone else's file in a folder with the sticky bit",
         [](KeptScene& s) { s.fs.fail(Op::Unlink, EPERM, "c.tga"); },
         {"", "", "c.tga: " + kNotDeleted + "（アクセスが拒否されました）"}},
        {"a read-only file", [](KeptScene& s) { test::makeReadOnly(s.in / "b.tga"); },
         {"", "b.tga: 元の TGA ファイルは読み取り専用のため残しました", ""}},
        {"rewritten after it was read",
         [](KeptScene& s) {
             s.fs.after(Op::Close, "b.tga", [in = s.in] { test::writeGameTga(in / "b.tga", test::samplePicture(24, 16, 7)); });
         },
         {"", "b.tga: " + kChanged, ""}},
        {"replaced by a link after it was read",
         [](KeptScene& s) {
             s.fs.after(Op::Close, "b.tga", [in = s.in] {
                 std::filesystem::rename(in / "b.tga", in / "b.moved");
                 test::makeLink(in / "b.moved", in / "b.tga");
             });
         },
         {"", "b.tga: " + kChanged, ""}},
        {"cannot be read again to check it", [](KeptScene& s) { s.fs.fail(Op::Open, EIO, "open-r b.tga", 2); },
         {"", "b.tga: 元の TGA ファイルを確かめられないため残しました（ディスクの読み書き中にエラーが発生しました）", ""}},
        {"its JPEG removed before the TGA's turn",
         [](KeptScene& s) {
             s.host.onYield = [&s](int) {
                 if (s.host.lines.empty())
                     std::filesystem::remove(s.out / "sshot001.jpg");
             };
         },
         {"a.tga: JPEG ファイルが見つからないため、元の TGA ファイルを残しました", "", ""}},
        {"handed out before the option was turned on",
         [](KeptScene& s) {
             // All three are handed out, one yield each, before the first is done.
             s.host.deleteValue = 0;
             s.host.onYield = [&s](int yields) { s.host.deleteValue = yields > 3 ? 1 : 0; };
         },
         {"a.tga: " + kReadFirst, "b.tga: " + kReadFirst, "c.tga: " + kReadFirst}},
        // Not kept, so nothing to tell: the user took it away.
        {"removed by the user after it was read",
         [](KeptScene& s) { s.fs.after(Op::Close, "b.tga", [in = s.in] { std::filesystem::remove(in / "b.tga"); }); },
         {"", "", ""}},
    };
}

// A TGA that stays although the delete option is on keeps its line as it is
// ("b.tga ---> sshot002.jpg", in the list and the log alike), and the line's
// detail says that it stayed and why: otherwise every later run would make
// another JPEG of it without a word.
TEST_F(BatchRunTest, ATgaKeptAgainstTheDeleteOptionIsToldBesideItsLine)
{
    const Lines lines{"a.tga\t--->\tsshot001.jpg", "b.tga\t--->\tsshot002.jpg", "c.tga\t--->\tsshot003.jpg"};
    for (const KeptCase& c : keptCases()) {
        if (std::string_view(c.name).find("link") != std::string_view::npos && !test::linksCanBeMade())
            continue; // Wine makes none
        SCOPED_TRACE(c.name);
        for (const auto& folder : {in(), out()}) {
            test::removeEverything(folder);
            std::filesystem::create_directory(folder);
        }
        host.onYield = nullptr;
        host.yields = 0;
        host.deleteValue = 1;
        for (const char* name : {"a.tga", "b.tga", "c.tga"})
            addSource(name);
        test::FakeFileSystem fs;
        KeptScene scene{in(), out(), host, fs};
        c.arrange(scene);
        BatchSummary summary;
        summary = run(1, fs);
        EXPECT_EQ(host.lines, lines);
        EXPECT_EQ(host.details, c.details);
        EXPECT_EQ(logText(), std::string("---処理開始--- [DATE]\r\n") + test::joined(lines, "\r\n") +
                                 std::string("\r\n---処理終了--- [DATE]\r\n\r\n"));
        EXPECT_EQ(summary.converted, 3);
        EXPECT_EQ(summary.sourcesKept, static_cast<int>(c.details.size() - std::count(c.details.begin(), c.details.end(), std::string())));
        // A TGA told of is still there; every other one is gone.
        for (std::size_t i = 0; i < c.details.size(); ++i) {
            const auto source = in() / (std::string(1, static_cast<char>('a' + i)) + ".tga");
            EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(source)), !c.details[i].empty()) << source;
        }
    }
}

TEST_F(BatchRunTest, WholeLogOfAThreeFileRunInShiftJis)
{
    touch(out() / "kavlog.txt");
    std::filesystem::resize_file(out() / "kavlog.txt", 0);
    addSource("スクショ1.tga");
    addSource("b.tga");
    addSource("c.tga");
    run();
    run(); // a second run appends, numbering after the first

    const std::string bytes = test::readText(logFile());
    const std::string firstRun =
        cp932::encode("---処理開始--- [DATE]\r\nb.tga\t--->\tsshot001.jpg\r\nc.tga\t--->\tsshot002.jpg\r\n"
                      "スクショ1.tga\t--->\tsshot003.jpg\r\n---処理終了--- [DATE]\r\n\r\n")
            .value();
    std::string masked = logText();
    EXPECT_TRUE(masked.starts_with(cp932::decode(firstRun).value())) << masked;
    EXPECT_TRUE(test::contains(masked, "b.tga\t--->\tsshot004.jpg"));
    // Shift_JIS bytes, not UTF-8: "処" is 8F 88.
    EXPECT_NE(bytes.find("\x8f\x88\x97\x9d\x8a\x4a\x8e\x6e"), std::string::npos);
    EXPECT_EQ(bytes.find("\xe5\x87\xa6"), std::string::npos);
}

TEST_F(BatchRunTest, PrefixThatCannotBeAFileNameStopsBeforeWriting)
{
    addSource("a.tga");
    for (const std::string& prefix : {std::string("../x"), std::string("a/b"), std::string("a:b"),
                                 std::string("a*"), std::string("tab\t")}) {
        host.prefix = prefix;
        host.events.clear();
        const BatchSummary summary = run();
        EXPECT_EQ(summary.end, BatchEnd::InvalidPrefix) << prefix;
        EXPECT_TRUE(test::contains(host.events, "critical:ファイル名が無効です。"));
        EXPECT_TRUE(test::contains(host.events, "focus:prefix"));
    }
    EXPECT_EQ(test::listNames(out()), (std::vector<std::string>{"kavlog.txt"}));
    EXPECT_EQ(test::listNames(dir.path()), (std::vector<std::string>{"in", "out"}));

    host.prefix.clear(); // empty is a valid prefix: 001.jpg
    run();
    EXPECT_EQ(host.lines, Lines({"a.tga\t--->\t001.jpg"}));
}

TEST_F(BatchRunTest, ASecondStartDuringARunDoesNothing)
{
    addSource("a.tga");
    BatchSummary nested;
    test::FakeHost other;
    host.onYield = [&](int) { nested = BatchRun(other.request(1), other.frontEnd(), systemFileSystem()).run(); };
    run();
    EXPECT_EQ(nested.end, BatchEnd::AlreadyRunning);
    EXPECT_TRUE(other.events.empty());
    EXPECT_FALSE(BatchRun::inProgress());
}

TEST_F(BatchRunTest, StopRequestEndsSoonThroughTheEndLineWithNothingHalfDone)
{
    for (int i = 0; i < 8; ++i)
        addSource("s" + std::to_string(i) + ".tga", i);
    host.deleteValue = 1;
    host.onYield = [this](int) { host.stop = host.lines.size() >= 1; };
    const BatchSummary summary = run(4);

    EXPECT_EQ(summary.end, BatchEnd::Stopped);
    // Files already handed to a worker finish and are reported in order; no new one starts.
    ASSERT_GE(host.lines.size(), 1u);
    EXPECT_LT(host.lines.size(), 8u);
    const auto outputs = test::listNames(out());
    EXPECT_EQ(outputs.size(), static_cast<size_t>(host.lines.size()) + 1); // + kavlog.txt
    for (const auto& name : outputs) {
        if (name != "kavlog.txt") {
            EXPECT_TRUE(test::decodeJpegFile(out() / name).has_value()) << name;
        }
    }
    EXPECT_EQ(test::listNames(in()).size(), 8u - static_cast<size_t>(host.lines.size()));
    EXPECT_TRUE(logText().ends_with(std::string("---処理終了--- [DATE]\r\n\r\n")));
}

// Memory that runs out mid-run (a std::bad_alloc from wherever it strikes)
// ends the run, not the program: the files in hand finish, the run says why
// it ended, and the log gets its end line.
TEST_F(BatchRunTest, MemoryRunningOutEndsTheRunThroughItsEndLine)
{
    struct Row {
        const char* where;
        std::function<void(FakeHost&, test::FakeFileSystem&)> arrange;
        int converted; // the files in hand when it struck, finished
    };
    const Row rows[] = {
        {"handing out the second file",
         [](FakeHost& h, test::FakeFileSystem&) {
             h.onYield = [](int n) {
                 if (n == 2)
                     throw std::bad_alloc();
             };
         },
         1},
        {"logging the start line",
         [](FakeHost&, test::FakeFileSystem& fs) {
             fs.after(test::FakeFileSystem::Op::Close, "kavlog.txt", [] { throw std::bad_alloc(); });
         },
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.where);
        for (const auto& name : test::listNames(in()))
            std::filesystem::remove(in() / name);
        for (const auto& name : test::listNames(out()))
            std::filesystem::remove(out() / name);
        for (int i = 0; i < 6; ++i)
            addSource("s" + std::to_string(i) + ".tga", i);
        host = FakeHost{};
        SetUp();
        host.deleteValue = 1;
        test::FakeFileSystem fs;
        row.arrange(host, fs);
        BatchSummary summary;
        summary = run(1, fs);
        EXPECT_EQ(summary.end, BatchEnd::Unexpected);
        EXPECT_EQ(summary.converted, row.converted);
        ASSERT_EQ(host.lines.size(), static_cast<size_t>(row.converted) + 1);
        EXPECT_EQ(host.lines.back(), std::string("エラー発生 \r\n12 : メモリが不足しています。"));
        EXPECT_TRUE(logText().ends_with(std::string("---処理終了--- [DATE]\r\n\r\n"))) << logText();
        // Each file converted and deleted, or untouched; nothing half done.
        const auto jpegs = test::listNames(out());
        EXPECT_EQ(jpegs.size() - 1 + test::listNames(in()).size(), 6u) << "a picture is doubled or lost";
        EXPECT_EQ(static_cast<int>(jpegs.size()) - 1, summary.converted);
        EXPECT_FALSE(BatchRun::inProgress());
    }
}

TEST_F(BatchRunTest, UnwritableLogIsReportedOnceAndTheRunGoesOn)
{
    std::filesystem::create_directory(logFile()); // a folder where the log should be
    addSource("a.tga");
    addSource("b.tga");
    const BatchSummary summary = run();
    EXPECT_TRUE(summary.logWriteFailed);
    EXPECT_EQ(host.lines, Lines({"動作ログを書き込めません。", "a.tga\t--->\tsshot001.jpg",
                                       "b.tga\t--->\tsshot002.jpg"}));
}

TEST_F(BatchRunTest, ParallelRunGivesExactlyTheSequentialResult)
{
    auto runWith = [&](unsigned jobs) {
        TempDir other;
        std::filesystem::create_directory(other / "in");
        std::filesystem::create_directory(other / "out");
        for (int i = 0; i < 40; ++i) {
            const std::string name = "shot" + std::to_string(i) + ".tga";
            if (i % 5 == 3)
                test::writeBytes(other / "in" / name, {0, 0, 99}); // corrupt
            else
                test::writeGameTga(other / "in" / name, test::samplePicture(40, 30, i));
        }
        FakeHost h;
        h.inDir = (other / "in").string();
        h.outDir = (other / "out").string();
        h.deleteValue = 1;
        BatchRun(h.request(jobs), h.frontEnd(), systemFileSystem()).run();
        std::vector<std::vector<unsigned char>> jpegs;
        for (const auto& name : test::listNames(other / "out"))
            if (name != "kavlog.txt")
                jpegs.push_back(test::readBytes(other / "out" / name));
        std::string log = cp932::decode(test::readText(other / "out" / "kavlog.txt")).value();
        log = std::regex_replace(log, std::regex(R"(\[[^\]]*\])"), "[DATE]");
        return std::tuple(h.lines, log, test::listNames(other / "in"), test::listNames(other / "out"), jpegs);
    };
    const auto sequential = runWith(1);
    EXPECT_EQ(std::get<0>(sequential).size(), 40u);
    EXPECT_EQ(sequential, runWith(4));
}

TEST_F(BatchRunTest, JpegsAppearInListOrderWhenALaterFileIsEncodedFirst)
{
    addSource("a.tga", 1);
    addSource("b.tga", 2);
    addSource("c.tga", 3);
    test::FakeFileSystem fs;
    // The first file's worker is held up, so the second worker finishes b and c first.
    fs.after(test::FakeFileSystem::Op::Open, "a.tga", [] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
    EXPECT_EQ(run(2, fs).converted, 3);
    std::vector<std::string> names;
    for (const auto& call : fs.calls({test::FakeFileSystem::Op::RenameNoReplace}))
        names.push_back(call.substr(call.rfind(' ') + 1));
    EXPECT_EQ(names, (std::vector<std::string>{"sshot001.jpg", "sshot002.jpg", "sshot003.jpg"}));
}

// Index of each call that is `text`, in order.
std::vector<long> indicesOf(const std::vector<std::string>& calls, const std::string& text)
{
    std::vector<long> found;
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i] == text)
            found.push_back(static_cast<long>(i));
    return found;
}

// Files whose JPEGs are ready while their folder is being synced for an
// earlier one are named together and share the next sync of the folder, as
// on a drive whose every sync takes long; yet none of them is told in the
// list or the log, nor loses its TGA, before the sync that makes its name
// durable.
TEST_F(BatchRunTest, FilesReadyTogetherShareOneFolderSyncAndWaitForIt)
{
    const std::vector<std::string> sources{"a.tga", "b.tga", "c.tga", "d.tga", "e.tga", "f.tga"};
    for (size_t i = 0; i < sources.size(); ++i)
        addSource(sources[i], static_cast<int>(i));
    host.deleteValue = 1;
    test::FakeFileSystem fs;
    fs.after(test::FakeFileSystem::Op::Fsync, "fsync out",
             [] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });

    EXPECT_EQ(run(4, fs).converted, 6);

    const auto calls = fs.calls();
    const auto folderSyncs = indicesOf(calls, "fsync out");
    EXPECT_GE(folderSyncs.size(), 1u);
    EXPECT_LT(folderSyncs.size(), sources.size()) << "each file synced the folder on its own";
    // The log's first write is its start line; each file's line follows.
    const auto logLines = indicesOf(calls, "write kavlog.txt");
    ASSERT_EQ(logLines.size(), sources.size() + 2);
    for (size_t i = 0; i < sources.size(); ++i) {
        SCOPED_TRACE(sources[i]);
        const std::string serial = "sshot00" + std::to_string(i + 1) + ".jpg";
        long named = -1;
        for (size_t k = 0; k < calls.size(); ++k)
            if (calls[k].starts_with("rename ") && calls[k].ends_with(" " + serial))
                named = static_cast<long>(k);
        ASSERT_GE(named, 0);
        const auto durable = std::find_if(folderSyncs.begin(), folderSyncs.end(), [&](long at) { return at > named; });
        ASSERT_NE(durable, folderSyncs.end()) << "no sync of the folder after its naming";
        const auto deleted = indicesOf(calls, "unlink " + sources[i]);
        ASSERT_EQ(deleted.size(), 1u);
        EXPECT_GT(deleted.front(), *durable) << "its TGA went before its name was durable";
        EXPECT_GT(logLines[i + 1], *durable) << "its line was logged before its name was durable";
    }
    EXPECT_EQ(host.lines.size(), sources.size());
}

// On a drive whose every folder sync takes long, the oldest file waits for
// the drive while the worker could go on: the worker is given more files
// while the run waits. Until the first line only the files of the first
// hand-out are handed out, so that a stop or a change made on seeing the
// first line finds no more started than on any drive; the worker goes on
// with files converted ahead (see the next test).
TEST_F(BatchRunTest, WhileTheDriveTakesLongTheWorkerIsGivenMoreFiles)
{
    // More than may be in flight at once, converted ahead or not.
    const int kSources = static_cast<int>(InFlightConversions::mostInFlightFor(1)) + 12;
    for (int i = 0; i < kSources; ++i)
        addSource("s" + std::to_string(10 + i) + ".tga", i);
    test::FakeFileSystem fs;
    const auto sourcesOpened = [&fs] {
        const auto calls = fs.calls({test::FakeFileSystem::Op::Open});
        return std::count_if(calls.begin(), calls.end(),
                             [](const std::string& call) { return call.starts_with("open-r s"); });
    };
    // Tiny files are read at once: whatever is read once a sync is well under
    // way was given to the worker while the run waited for it. Each takes a
    // while, so that the worker's turns spread over the syncs.
    fs.afterEach(test::FakeFileSystem::Op::Read, "read s",
                 [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); });
    std::atomic<int> syncsWithFilesHandedOut{0};
    fs.afterEach(test::FakeFileSystem::Op::Fsync, "fsync out", [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const auto before = sourcesOpened();
        std::this_thread::sleep_for(std::chrono::milliseconds(95));
        if (sourcesOpened() > before)
            ++syncsWithFilesHandedOut;
    });
    int handedOutBeforeFirstLine = -1;
    host.onYield = [&](int) {
        if (host.lines.empty())
            handedOutBeforeFirstLine = host.qualityReads;
    };

    EXPECT_EQ(run(1, fs).converted, kSources);

    EXPECT_EQ(handedOutBeforeFirstLine, static_cast<int>(InFlightConversions::limitFor(1)));
    EXPECT_GT(syncsWithFilesHandedOut.load(), 0) << "the worker was left without files while the drive synced";
}

// While the first files wait for a slow drive, the worker converts the next
// ones ahead with the options of the last file handed out. Each is named and
// told of only when the run hands it out with those very options: an option
// changed, or a stop, on seeing the first line takes the files after the
// first hand-out exactly as if nothing had been converted ahead.
TEST_F(BatchRunTest, FilesConvertedAheadOfTheFirstLineAreUsedOnlyWithTheOptionsTheyWereMadeWith)
{
    constexpr int kSources = 8;
    const int firstHandOut = static_cast<int>(InFlightConversions::limitFor(1));
    const struct {
        const char* change;
        std::function<void(FakeHost&)> onFirstLine;
        int laterQuality;
        bool laterDeleted;
        bool stops;
    } rows[] = {
        {"none", [](FakeHost&) {}, 90, false, false},
        {"quality", [](FakeHost& h) { h.qualityValue = 40; }, 40, false, false},
        {"delete turned on", [](FakeHost& h) { h.deleteValue = true; }, 90, true, false},
        {"stop", [](FakeHost& h) { h.stop = true; }, 90, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.change);
        for (const auto& folder : {in(), out()}) {
            std::filesystem::remove_all(folder);
            std::filesystem::create_directory(folder);
        }
        host = FakeHost{};
        SetUp();
        for (int i = 0; i < kSources; ++i)
            addSource("s" + std::to_string(10 + i) + ".tga", i);
        test::FakeFileSystem fs;
        const auto sourcesRead = [&fs] {
            const auto calls = fs.calls({Op::Open});
            return std::count_if(calls.begin(), calls.end(),
                                 [](const std::string& call) { return call.starts_with("open-r s"); });
        };
        // The drive takes its time, at first until a file past the first
        // hand-out is being read (2 s at most, or nothing was read ahead).
        fs.afterEach(Op::Fsync, "fsync out", [&] {
            const auto most = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (sourcesRead() <= firstHandOut && std::chrono::steady_clock::now() < most)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        });
        // Files converted ahead still hold the worker when the first line is
        // out: handing them out must not wait for a worker to be free.
        for (int i = firstHandOut; i < kSources; ++i)
            fs.afterEach(Op::Read, "s" + std::to_string(10 + i),
                         [] { std::this_thread::sleep_for(std::chrono::milliseconds(15)); });
        long readBeforeFirstLine = -1;
        host.onYield = [&](int) {
            if (host.lines.size() == 1 && readBeforeFirstLine < 0) {
                readBeforeFirstLine = sourcesRead();
                row.onFirstLine(host);
            }
        };

        const BatchSummary summary = run(1, fs);

        ASSERT_GT(readBeforeFirstLine, firstHandOut) << "nothing was converted ahead";
        const int told = row.stops ? firstHandOut : kSources;
        EXPECT_EQ(summary.converted, told);
        ASSERT_EQ(host.lines.size(), static_cast<size_t>(told));
        for (int i = 0; i < kSources; ++i) {
            SCOPED_TRACE(i);
            const bool later = i >= firstHandOut;
            const auto jpeg = out() / ("sshot00" + std::to_string(i + 1) + ".jpg");
            if (i >= told) {
                EXPECT_FALSE(std::filesystem::exists(jpeg));
                EXPECT_TRUE(std::filesystem::exists(in() / ("s" + std::to_string(10 + i) + ".tga")));
                continue;
            }
            EXPECT_EQ(test::readBytes(jpeg),
                      test::referenceJpeg(test::samplePicture(24, 16, i), false, later ? row.laterQuality : 90));
            EXPECT_EQ(std::filesystem::exists(in() / ("s" + std::to_string(10 + i) + ".tga")),
                      !(later && row.laterDeleted));
        }
        // Nothing converted ahead and dropped is left behind.
        EXPECT_EQ(test::listNames(out()).size(), static_cast<size_t>(told) + 1);
        if (row.laterQuality == 90 && !row.laterDeleted && !row.stops) {
            EXPECT_EQ(sourcesRead(), kSources) << "a file converted ahead was converted again";
        }
    }
}

TEST_F(BatchRunTest, SerialLimitWithWorkInFlightWritesNothingPastIt)
{
    touch(out() / "sshot995.jpg");
    for (int i = 0; i < 10; ++i)
        addSource("s" + std::to_string(i) + ".tga", i);
    host.deleteValue = 1;
    const BatchSummary summary = run(4);
    EXPECT_EQ(summary.end, BatchEnd::SerialLimit);
    EXPECT_EQ(host.lines.size(), 5u);
    EXPECT_EQ(host.lines.back(), kLimitLine);
    EXPECT_EQ(test::listNames(out()), (std::vector<std::string>{"kavlog.txt", "sshot995.jpg", "sshot996.jpg",
                                                                "sshot997.jpg", "sshot998.jpg", "sshot999.jpg"}));
    EXPECT_EQ(test::listNames(in()).size(), 6u);
}

} // namespace
} // namespace pellora
