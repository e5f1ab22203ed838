#include "batch/DeletionPolicy.h"

#include "support/FakeFileSystem.h"
#include "support/FileTimes.h"
#include "support/TempDir.h"
#include "support/JpegProbe.h"
#include "support/NonRegularFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace pellora {
namespace {

using Op = test::FakeFileSystem::Op;
using Because = SourceKept::Because;

// One converted source, as a run holds it when the source's turn to go comes.
struct Scene {
    std::filesystem::path in, out;
    test::FakeFileSystem& fs;
    std::filesystem::path source() const { return in / "a.tga"; }
    std::filesystem::path jpeg() const { return out / "sshot001.jpg"; }
};

// Rewrites the source with another picture of the same size and gives it
// back its date: only its content tells it changed.
void rewriteKeepingSizeAndDate(const Scene& s)
{
    const test::FileTimes before = test::fileTimes(s.source());
    auto bytes = test::readBytes(s.source());
    bytes.back() ^= 0xFF;
    {
        std::fstream file(s.source(), std::ios::in | std::ios::out | std::ios::binary); // in place, not a new file
        ASSERT_TRUE(file.is_open());
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(file.good());
    }
    test::setFileTimes(s.source(), before);
}

struct Row {
    const char* name;
    bool hashed; // the delete option was on when the file was handed out
    std::function<void(Scene&)> arrange;
    bool sourceRemains;
    std::optional<SourceKept> kept; // nothing: it may go, and nothing is told
};

std::vector<Row> rows()
{
    auto keptFor = [](Because because) { return std::optional(SourceKept{because}); };
    auto failed = [](FailureCause cause, int error) {
        return std::optional(SourceKept{Because::Failed, Failure::of(cause, error)});
    };
    return {
        {"unchanged, JPEG in place", true, [](Scene&) {}, false, std::nullopt},
        {"read with the option off", false, [](Scene&) {}, true, keptFor(Because::ReadBeforeDeleteWasOn)},
        {"its JPEG removed", true, [](Scene& s) { std::filesystem::remove(s.jpeg()); }, true,
         keptFor(Because::JpegGone)},
        {"its JPEG moved away", true,
         [](Scene& s) { std::filesystem::rename(s.jpeg(), s.in / "elsewhere.jpg"); }, true, keptFor(Because::JpegGone)},
        {"its JPEG and itself removed", true,
         [](Scene& s) {
             std::filesystem::remove(s.jpeg());
             std::filesystem::remove(s.source());
         },
         false, std::nullopt},
        {"removed by the user", true, [](Scene& s) { std::filesystem::remove(s.source()); }, false, std::nullopt},
        {"rewritten in place, same size and date", true, rewriteKeepingSizeAndDate, true, keptFor(Because::Changed)},
        {"replaced by another file", true,
         [](Scene& s) {
             test::writeGameTga(s.in / "other.tga", test::samplePicture(24, 16, 9));
             std::filesystem::rename(s.in / "other.tga", s.source());
         },
         true, keptFor(Because::Changed)},
        {"replaced by a link to itself", true,
         [](Scene& s) {
             std::filesystem::rename(s.source(), s.in / "moved.tga");
             test::makeLink(s.in / "moved.tga", s.source());
         },
         true, keptFor(Because::Changed)},
        {"read-only", true, [](Scene& s) { test::makeReadOnly(s.source()); }, true,
         failed(FailureCause::ReadOnly, 0)},
        {"cannot be read again", true, [](Scene& s) { s.fs.fail(Op::Open, EIO, "a.tga"); }, true,
         failed(FailureCause::CannotRead, EIO)},
        {"cannot be removed", true, [](Scene& s) { s.fs.fail(Op::Unlink, EACCES, "a.tga"); }, true,
         failed(FailureCause::CannotDelete, EACCES)},
    };
}

TEST(DeletionPolicyTest, ASourceGoesOnlyWhenItIsStillWhatItsJpegShows)
{
    for (const Row& row : rows()) {
        if (std::string_view(row.name).find("link") != std::string_view::npos && !test::linksCanBeMade())
            continue; // Wine makes none
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        std::filesystem::create_directory(dir / "in");
        std::filesystem::create_directory(dir / "out");
        test::writeGameTga(dir / "in" / "a.tga", test::samplePicture(24, 16, 1));
        // The folders answer through the fake, as a run's do.
        test::FakeFileSystem fs;
        auto in = Folder::open(fs, dir / "in");
        auto out = Folder::open(fs, dir / "out");
        ASSERT_TRUE(in && out);
        auto staged = stageTgaAsJpeg(*in, "a.tga", *out, "sshot001.jpg", 90, row.hashed);
        ASSERT_TRUE(staged);
        ASSERT_TRUE(commitStagedJpeg(staged->file));

        Scene scene{dir / "in", dir / "out", fs};
        row.arrange(scene);
        DeletionPolicy policy(*in, *out);
        const Expected<void, SourceKept> deleted =
            policy.deleteConverted(SourceFile{"a.tga", "a.tga"}, staged->source, "sshot001.jpg");
        EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(scene.source())), row.sourceRemains);
        ASSERT_EQ(deleted.has_value(), !row.kept.has_value());
        if (row.kept) {
            EXPECT_EQ(deleted.error().because, row.kept->because);
            EXPECT_EQ(deleted.error().failure.cause, row.kept->failure.cause);
            EXPECT_EQ(deleted.error().failure.systemError, row.kept->failure.systemError);
        }
    }
}

} // namespace
} // namespace pellora
