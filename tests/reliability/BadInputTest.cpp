#include "PictureLedger.h"
#include "ReliabilitySummary.h"

#include "batch/BatchRun.h"
#include "platform/text/Cp932.h"
#include "platform/text/PathText.h"
#include "settings/IniFile.h"
#include "support/FakeFileSystem.h"
#include "support/FakeHost.h"
#include "support/JpegProbe.h"
#include "support/NonRegularFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <chrono>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace pellora {
namespace {

using test::FakeHost;

const std::string kPrefixInvalid = std::string("critical:ファイル名が無効です。");

class BadInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(in());
        std::filesystem::create_directory(out());
        std::filesystem::create_directory(outside());
        host.inDir = in().string();
        host.outDir = out().string();
        host.deleteValue = 1;
    }

    std::filesystem::path in() const { return dir / "in"; }
    std::filesystem::path out() const { return dir / "out"; }
    std::filesystem::path outside() const { return dir / "outside"; }

    BatchSummary run(unsigned jobs = 1, FileSystem& fs = systemFileSystem()) { return BatchRun(host.request(jobs), host.frontEnd(), fs).run(); }

    int accountFor(int expected)
    {
        const auto audit = ledger.audit({in(), out()});
        for (const auto& problem : audit.problems)
            ADD_FAILURE() << problem;
        EXPECT_EQ(audit.accounted, expected);
        return audit.lost;
    }

    test::TempDir dir;
    FakeHost host;
    test::PictureLedger ledger;
};

TEST_F(BadInputTest, AwkwardFileNamesOpenConvertAndAreDeleted)
{
#ifdef _WIN32
    // Windows' names are UTF-16 and hold no control character.
    const std::string names[] = {
        "スクリーンショット 1.tga",
        "with  two spaces .tga",
        "-leading-dash.tga",
        std::string(251, 'n') + ".tga",     // 255 units, the longest a name can be
        "café😀 outside code page 932.tga",
        "\xe2\x80\xaegpj.tga",               // a direction override
    };
#else
    const std::string names[] = {
        "スクリーンショット 1.tga",
        "with  two spaces .tga",
        "-leading-dash.tga",
        "new\nline.tga",
        std::string(251, 'n') + ".tga",     // 255 bytes, the longest a name can be
        "latin1-\xe9t\xe9.tga",             // not valid UTF-8
        "\xff\xfe-bytes.tga",
    };
#endif
    int index = 1;
    for (const auto& name : names)
        ledger.addSource(in() / pathText::toPath(name), test::distinctPicture(32, 24, index++));

    for (const unsigned jobs : {1u, 4u}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        const BatchSummary summary = run(jobs);
        EXPECT_EQ(summary.converted, static_cast<int>(std::size(names))) << test::joined(host.lines, " | ");
        EXPECT_EQ(summary.failed, 0);
        EXPECT_FALSE(summary.logWriteFailed) << test::joined(host.lines, " | ");
        EXPECT_TRUE(test::listNames(in()).empty());
        for (const std::string& line : host.lines)
            EXPECT_TRUE(test::contains(line, "\t--->\tsshot")) << line;
        EXPECT_EQ(accountFor(static_cast<int>(std::size(names))), 0);
        // The second pass converts the same names again, numbered after the first.
        test::removeEverything(in());
        std::filesystem::create_directory(in());
        index = 1;
        for (const auto& name : names)
            test::writeGameTga(in() / pathText::toPath(name), test::distinctPicture(32, 24, index++));
    }
    // A Japanese name reaches the list and the log whole.
    const std::string log = test::readText(out() / "kavlog.txt");
    EXPECT_NE(log.find(cp932::encode("スクリーンショット 1.tga").value()), std::string::npos);
}

TEST_F(BadInputTest, ALinkNamedLikeASourceIsNeitherReadNorDeleted)
{
    ledger.addSource(outside() / "elsewhere.tga", test::distinctPicture(32, 24, 1));
    if (!test::makeLink(outside() / "elsewhere.tga", in() / "link.tga"))
        GTEST_SKIP() << test::kNoLinks;
    ASSERT_TRUE(test::makeLink(outside() / "missing.tga", in() / "dangling.tga"));

    run();
    EXPECT_EQ(host.lines, test::Lines({"処理するファイルが見つかりません。"}));
    EXPECT_TRUE(std::filesystem::is_symlink(in() / "link.tga"));
    EXPECT_TRUE(std::filesystem::is_symlink(in() / "dangling.tga"));
    EXPECT_FALSE(std::filesystem::exists(outside() / "missing.tga"));
    EXPECT_EQ(ledger.audit({outside()}).lost, 0);
    EXPECT_EQ(test::listNames(out()), std::vector<std::string>{"kavlog.txt"});
}

TEST_F(BadInputTest, ALinkNamedLikeASerialIsNeverWrittenThrough)
{
    test::writeBytes(outside() / "victim.jpg", {'v'});
    if (!test::makeLink(outside() / "victim.jpg", out() / "sshot001.jpg"))
        GTEST_SKIP() << test::kNoLinks;
    ASSERT_TRUE(test::makeLink(outside() / "nothing.jpg", out() / "sshot002.jpg"));
    ledger.addSource(in() / "a.tga", test::distinctPicture(32, 24, 1));
    ledger.addSource(in() / "b.tga", test::distinctPicture(32, 24, 2));

    // A third link appears at the name b.tga is about to take, after the run chose it.
    test::FakeFileSystem fs;
    fs.after(test::FakeFileSystem::Op::Close, "b.tga", [&] { test::makeLink(outside() / "late.jpg", out() / "sshot004.jpg"); });
    run(1, fs);
    EXPECT_EQ(host.lines, test::Lines({"a.tga\t--->\tsshot003.jpg", "コピー失敗 エラーコード4"}));
    EXPECT_EQ(test::readText(outside() / "victim.jpg"), "v");
    EXPECT_FALSE(std::filesystem::exists(outside() / "nothing.jpg"));
    EXPECT_FALSE(std::filesystem::exists(outside() / "late.jpg"));
    EXPECT_TRUE(std::filesystem::is_symlink(out() / "sshot004.jpg"));
    EXPECT_TRUE(std::filesystem::exists(in() / "b.tga"));
    EXPECT_EQ(accountFor(2), 0);
}

#ifdef _WIN32
long peakKilobytes()
{
    PROCESS_MEMORY_COUNTERS usage{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &usage, sizeof usage);
    return static_cast<long>(usage.PeakWorkingSetSize / 1024);
}
#else
long peakKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
#endif

TEST_F(BadInputTest, TenThousandFilesStopAtTheSerialLimitInBoundedTimeAndMemory)
{
    constexpr int kFiles = 10'000;
    const auto tiny = test::buildTga(test::distinctPicture(4, 4, 1), test::TgaSpec{});
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%05d.tga", i);
        test::writeBytes(in() / name, std::vector<unsigned char>(tiny.begin(), tiny.end()));
    }
    const long before = peakKilobytes();
    const auto start = std::chrono::steady_clock::now();
    const BatchSummary summary = run(2);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long grownKilobytes = peakKilobytes() - before;

    EXPECT_EQ(summary.end, BatchEnd::SerialLimit);
    EXPECT_EQ(summary.converted, 999);
    ASSERT_EQ(host.lines.size(), 1000);
    EXPECT_EQ(host.lines.front(), std::string("f00000.tga\t--->\tsshot001.jpg"));
    EXPECT_EQ(host.lines[998], std::string("f00998.tga\t--->\tsshot999.jpg"));
    EXPECT_EQ(host.lines.back(), std::string("エラー発生 連番が999件を越えました。"));
    EXPECT_EQ(test::listNames(in()).size(), static_cast<size_t>(kFiles - 999));
    EXPECT_TRUE(std::filesystem::exists(in() / "f00999.tga"));
    EXPECT_EQ(test::listNames(out()).size(), 1000u); // 999 pictures and the log
    EXPECT_LT(seconds, 60.0);
    EXPECT_LT(grownKilobytes, 200 * 1024);
    std::printf("10000-file folder: %.2f s, peak memory grew by %ld KiB\n", seconds, grownKilobytes);
    test::printSummary("group=bulk files=" + std::to_string(kFiles) + " converted=" + std::to_string(summary.converted) +
                       " seconds=" + std::to_string(seconds) + " peak_kib_growth=" + std::to_string(grownKilobytes));
}

TEST_F(BadInputTest, HugeOrNulBearingSettingsFilesReadSensibly)
{
    const auto huge = dir / "huge.ini";
    {
        std::string text = "[initialize]\r\nquality=80\r\n";
        const std::string filler = "; filler line to make the file large, never a key\r\n";
        while (text.size() < (10u << 20))
            text += filler;
        text += "match=late\r\n";
        test::writeBytes(huge, std::vector<unsigned char>(text.begin(), text.end()));
    }
    const auto start = std::chrono::steady_clock::now();
    const auto hugeContents = IniFile(huge).read();
    ASSERT_TRUE(hugeContents.has_value());
    EXPECT_EQ(hugeContents->value("initialize", "quality", "50"), "80");
    EXPECT_EQ(hugeContents->value("initialize", "match", "sshot"), "late");
    EXPECT_EQ(hugeContents->value("initialize", "none", "dflt"), "dflt");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);

    const auto nul = dir / "nul-byte.ini"; // not "nul.ini": on Windows that is the null device
    const std::string text = std::string("[initialize]\r\nmatch=ab\0cd\r\nquality=70\r\n", 39);
    test::writeBytes(nul, std::vector<unsigned char>(text.begin(), text.end()));
    const auto nulContents = IniFile(nul).read();
    ASSERT_TRUE(nulContents.has_value());
    const std::string match = nulContents->value("initialize", "match", "sshot");
    EXPECT_EQ(match.find('\0'), std::string::npos);
    EXPECT_TRUE(match == "ab" || match == "sshot") << match;
    EXPECT_EQ(nulContents->value("initialize", "quality", "50"), "70");
}

TEST_F(BadInputTest, APrefixTooLongForAFileNameIsRefusedAtTheStart)
{
    ledger.addSource(in() / "a.tga", test::distinctPicture(32, 24, 1));
    // prefix + "999.jpg" must fit in 255 bytes; on Windows, which counts a
    // name in UTF-16 units, in 255 of those.
#ifdef _WIN32
    constexpr int kPictures = 249;
#else
    constexpr int kPictures = 83;
#endif
    std::string picture83; // U+753B, three bytes and one unit each
    for (int i = 0; i < kPictures; ++i)
        picture83 += "画";
    for (const std::string& prefix : {std::string(255, 'p'), std::string(249, 'p'), picture83}) {
        host.prefix = prefix;
        host.events.clear();
        const BatchSummary summary = run();
        EXPECT_EQ(summary.end, BatchEnd::InvalidPrefix) << prefix.size();
        EXPECT_TRUE(test::contains(host.events, kPrefixInvalid));
        EXPECT_TRUE(test::contains(host.events, std::string("focus:prefix")));
    }
    EXPECT_TRUE(std::filesystem::exists(in() / "a.tga"));

    host.prefix = std::string(248, 'p'); // exactly 255 bytes with its serial: still a name
    const BatchSummary summary = run();
    EXPECT_EQ(summary.converted, 1) << test::joined(host.lines, " | ");
    EXPECT_TRUE(std::filesystem::exists(out() / (std::string(248, 'p') + "001.jpg")));
    EXPECT_EQ(accountFor(1), 0);
}

} // namespace
} // namespace pellora
