#include "batch/ConvertTgaToJpeg.h"
#include "platform/FailureTable.h"

#include "support/FakeFileSystem.h"
#include "support/FileTimes.h"
#include "support/JpegProbe.h"
#include "support/NonRegularFiles.h"
#include "support/TempDir.h"
#include "support/TgaLayouts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace pellora {
namespace {

class ConvertTgaToJpegTest : public ::testing::Test {
protected:
    void SetUp() override { test::writeGameTga(source(), picture); }
    std::filesystem::path source() const { return dir / "shot.tga"; }
    std::filesystem::path destination() const { return dir / "sshot001.jpg"; }

    test::TempDir dir;
    test::TgaPicture picture = test::samplePicture(97, 61); // odd sizes exercise the edge blocks
};

TEST_F(ConvertTgaToJpegTest, WritesAJpegCloseToTheSource)
{
    ASSERT_EQ(ConvertTgaToJpeg(systemFileSystem(), source(), destination(), 90), ResultCode::Success);
    const auto decoded = test::decodeJpegFile(destination());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_GT(test::psnr(test::opaque(picture), *decoded), 35.0);
    EXPECT_EQ(test::listNames(dir.path()), (std::vector<std::string>{"shot.tga", "sshot001.jpg"}));
}

// Each worker of a run converts with what it keeps for the next file; the
// workers of a run that is over end together, and what each kept must go
// with it cleanly, while the program goes on using its memory.
TEST_F(ConvertTgaToJpegTest, WorkersThatEndTogetherAfterConvertingLeaveNothingToCrashOn)
{
    constexpr int kRuns = 40, kWorkers = 4;
    std::atomic<bool> running{true};
    std::thread reuser([&] { // takes back and overwrites whatever memory was let go
        while (running) {
            for (std::size_t size = 16; size <= 8192; size *= 2)
                std::memset(std::make_unique<char[]>(size).get(), 0x5A, size);
        }
    });
    std::vector<std::int16_t> results(kRuns * kWorkers, ResultCode::UnexpectedFailure);
    for (int run = 0; run < kRuns; ++run) {
        std::vector<std::thread> workers;
        for (int worker = 0; worker < kWorkers; ++worker) {
            const int index = run * kWorkers + worker;
            workers.emplace_back([&, index] {
                results[index] = ConvertTgaToJpeg(systemFileSystem(), source(),
                                                  dir / ("shot" + std::to_string(index) + ".jpg"), 90);
            });
        }
        for (auto& worker : workers)
            worker.join();
    }
    running = false;
    reuser.join();
    EXPECT_EQ(std::count(results.begin(), results.end(), ResultCode::Success), kRuns * kWorkers);
}

TEST_F(ConvertTgaToJpegTest, ANonTgaGivesMinusOneAndTouchesNothing)
{
    test::writeBytes(dir / "fake.tga", {'G', 'I', 'F', '8', '9', 'a'});
    EXPECT_EQ(ConvertTgaToJpeg(systemFileSystem(), dir / "fake.tga", destination(), 90), ResultCode::DecodeFailed);
    EXPECT_EQ(ConvertTgaToJpeg(systemFileSystem(), dir / "missing.tga", destination(), 90), ResultCode::DecodeFailed);
    EXPECT_EQ(ConvertTgaToJpeg(systemFileSystem(), dir.path(), destination(), 90), ResultCode::DecodeFailed);
    // A link is never read through, and its reason says what it is, not a loop.
    if (!test::makeLink(source(), dir / "link.tga"))
        GTEST_SKIP() << test::kNoLinks;
    const auto linked = stageTgaAsJpeg(systemFileSystem(), dir / "link.tga", destination(), 90);
    ASSERT_FALSE(linked);
    EXPECT_EQ(linked.error().cause, FailureCause::NotRegularFile);
    EXPECT_FALSE(std::filesystem::exists(destination()));
}

TEST_F(ConvertTgaToJpegTest, AWriterFailureGivesItsCodeAndLeavesNoTemporaryFile)
{
    test::FakeFileSystem fs;
    fs.fail(test::FakeFileSystem::Op::Open, EROFS, ".pellora-"); // a read-only folder
    EXPECT_EQ(ConvertTgaToJpeg(fs, source(), destination(), 90), ResultCode::CannotCreate);
    EXPECT_EQ(test::listNames(dir.path()), std::vector<std::string>{"shot.tga"});
}

TEST_F(ConvertTgaToJpegTest, AnExistingDestinationIsLeftAsItWas)
{
    test::writeBytes(destination(), {'k', 'e', 'e', 'p'});
    EXPECT_EQ(ConvertTgaToJpeg(systemFileSystem(), source(), destination(), 90), ResultCode::DestinationExists);
    EXPECT_EQ(test::readText(destination()), "keep");
}

TEST_F(ConvertTgaToJpegTest, QualityReachesTheEncoderAndOutOfRangeIsUnexpected)
{
    ASSERT_EQ(ConvertTgaToJpeg(systemFileSystem(), source(), dir / "q1.jpg", 1), ResultCode::Success);
    ASSERT_EQ(ConvertTgaToJpeg(systemFileSystem(), source(), dir / "q100.jpg", 100), ResultCode::Success);
    EXPECT_LT(std::filesystem::file_size(dir / "q1.jpg") * 3, std::filesystem::file_size(dir / "q100.jpg"));
    EXPECT_EQ(ConvertTgaToJpeg(systemFileSystem(), source(), dir / "bad.jpg", 256), ResultCode::UnexpectedFailure);
    EXPECT_EQ(ConvertTgaToJpeg(systemFileSystem(), source(), dir / "bad.jpg", -1), ResultCode::UnexpectedFailure);
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.jpg"));
}

TEST_F(ConvertTgaToJpegTest, TheJpegKeepsTheScreenshotsDate)
{
    const timespec taken{1'500'000'000, 0};
    test::setFileTimes(source(), {taken, taken});
    ASSERT_EQ(ConvertTgaToJpeg(systemFileSystem(), source(), destination(), 90), ResultCode::Success);
    EXPECT_EQ(test::fileTimes(destination()).modified.tv_sec, 1'500'000'000);
}

// Each cause gives the code the list line shows and the reason the user reads.
TEST(FailureTest, EachCauseHasItsCodeAndReason)
{
    struct Row {
        Failure failure;
        int code;
        const char* reason;
    };
    const Row rows[] = {
        {Failure::badTga(TgaError::TruncatedHeader), -1, "TGA ファイルとして読めません（ヘッダーが短すぎます）"},
        {Failure::of(FailureCause::CannotRead, EACCES), -1, "ファイルを読み込めません（アクセスが拒否されました）"},
        {Failure::of(FailureCause::ChangedWhileRead), -1, "読み込み中にファイルが書き換えられました"},
        {Failure::of(FailureCause::EncoderFailed), 1, "JPEG に変換できません"},
        {Failure::of(FailureCause::CannotCreate, ENOSPC), 2,
         "コピー先にファイルを作成できません（ディスクの空き容量が足りません）"},
        {Failure::of(FailureCause::CannotWrite, EIO), 3,
         "JPEG ファイルを書き込めません（ディスクの読み書き中にエラーが発生しました）"},
        // Past the user's file size limit (ulimit -f), which the program meets as EFBIG.
        {Failure::of(FailureCause::CannotWrite, EFBIG), 3, "JPEG ファイルを書き込めません（ファイルが大きすぎます）"},
        {Failure::of(FailureCause::DestinationExists), 4, "同じ名前のファイルがコピー先にあります"},
        {Failure::of(FailureCause::CannotCommit, EINVAL), 5, "JPEG ファイルを保存できません（パラメーターが間違っています）"},
        {Failure::of(FailureCause::Unexpected), 99, "予期しないエラーが発生しました"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(resultCodeOf(row.failure), row.code) << failureReason(row.failure);
        EXPECT_EQ(failureReason(row.failure), row.reason);
    }
}

// The streamed JPEG is, byte for byte, what TurboJPEG's one-call encoder
// makes of the whole decoded picture, for every layout, origin and quality.
class StreamedJpegTest : public ::testing::TestWithParam<std::tuple<test::TgaLayout, bool, int>> {};

TEST_P(StreamedJpegTest, SameBytesAsTheWholePictureEncoder)
{
    auto [layout, runLength, originBits] = GetParam();
    test::TempDir dir;
    const test::TgaPicture picture = test::layoutPicture(layout.kind, 67, 35);
    test::writeBytes(dir / "shot.tga", test::buildTga(picture, test::formatFor(layout, runLength, originBits)));
    for (int quality : {1, 50, 90, 100}) {
        SCOPED_TRACE("quality " + std::to_string(quality));
        const auto jpeg = dir / ("q" + std::to_string(quality) + ".jpg");
        ASSERT_EQ(ConvertTgaToJpeg(systemFileSystem(), dir / "shot.tga", jpeg, quality), ResultCode::Success);
        EXPECT_TRUE(test::readBytes(jpeg) ==
                    test::referenceJpeg(test::opaque(picture), layout.kind == test::TgaKind::Greyscale, quality));
    }
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, StreamedJpegTest,
                         ::testing::Combine(::testing::ValuesIn(test::tgaLayouts()), ::testing::Bool(),
                                            ::testing::ValuesIn(test::kOriginBits)),
                         test::layoutCaseName);

// Pictures of many strips, read from the end when stored bottom row first.
TEST(StreamedLargeJpegTest, ManyStripsGiveTheSameBytes)
{
    test::TempDir dir;
    const test::TgaPicture picture = test::samplePicture(1531, 877, 3);
    for (int bits : {24, 32}) {
        for (bool runLength : {false, true}) {
            SCOPED_TRACE(std::to_string(bits) + (runLength ? " rle" : " raw"));
            test::TgaSpec format;
            format.pixelBits = bits;
            format.runLength = runLength;
            test::writeBytes(dir / "big.tga", test::buildTga(picture, format));
            ASSERT_EQ(ConvertTgaToJpeg(systemFileSystem(), dir / "big.tga", dir / "big.jpg", 90), ResultCode::Success);
            EXPECT_TRUE(test::readBytes(dir / "big.jpg") == test::referenceJpeg(test::opaque(picture), false, 90));
            std::filesystem::remove(dir / "big.jpg");
        }
    }
}

} // namespace
} // namespace pellora
