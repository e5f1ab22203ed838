#include "HeldFolder.h"
#include "OtherProgram.h"

#include "batch/DeletionPolicy.h"
#include "support/JpegProbe.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <optional>

namespace pellora {
namespace {

namespace other = test::otherProgram;
using Because = SourceKept::Because;

// Rewrites the source in place with other pixels of the same size and gives
// it back its time: only its content tells it changed.
void rewriteKeepingSizeAndTime(const std::filesystem::path& source)
{
    const UniqueHandle file = other::open(source, GENERIC_READ | GENERIC_WRITE, other::kLikeFopen);
    ASSERT_TRUE(file.valid());
    FILETIME written{};
    ASSERT_TRUE(::GetFileTime(file.get(), nullptr, nullptr, &written));
    LARGE_INTEGER last{};
    ASSERT_TRUE(::GetFileSizeEx(file.get(), &last));
    last.QuadPart -= 1;
    ASSERT_TRUE(::SetFilePointerEx(file.get(), last, nullptr, FILE_BEGIN));
    ASSERT_TRUE(other::write(file.get(), "\x5A"));
    ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &written));
}

struct Scene {
    const test::HeldFolder& in;
    const test::HeldFolder& out;
    std::optional<UniqueHandle> game; // a handle the game keeps open meanwhile
};

// The same rules as on Linux, told by the Windows backend: what a game, a
// user or Explorer does to a converted source before its turn to go comes.
TEST(WindowsDeletionTest, ASourceGoesOnlyWhenItIsStillWhatItsJpegShows)
{
    struct Row {
        const char* name;
        std::function<void(Scene&)> arrange;
        bool sourceRemains;
        std::optional<SourceKept> kept;
    };
    const auto keptFor = [](Because because) { return std::optional(SourceKept{because}); };
    const auto failed = [](FailureCause cause, int error) {
        return std::optional(SourceKept{Because::Failed, Failure::of(cause, error)});
    };
    const Row rows[] = {
        {"unchanged", [](Scene&) {}, false, std::nullopt},
        {"still open for writing by the game",
         [](Scene& s) { s.game = other::open(s.in / "a.tga", GENERIC_WRITE, other::kLikeFopen); }, true,
         failed(FailureCause::CannotRead, EBUSY)},
        {"open for reading by a viewer that lets others delete it",
         [](Scene& s) {
             s.game = other::open(s.in / "a.tga", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE);
         },
         false, std::nullopt},
        {"rewritten in place, same size and time", [](Scene& s) { rewriteKeepingSizeAndTime(s.in / "a.tga"); },
         true, keptFor(Because::Changed)},
        {"replaced by another picture",
         [](Scene& s) {
             test::writeGameTga(s.in / "other.tga", test::samplePicture(24, 16, 9));
             ASSERT_EQ(other::move(s.in / "other.tga", s.in / "a.tga", MOVEFILE_REPLACE_EXISTING), DWORD{0});
         },
         true, keptFor(Because::Changed)},
        {"marked read-only",
         [](Scene& s) { ASSERT_TRUE(::SetFileAttributesW((s.in / "a.tga").c_str(), FILE_ATTRIBUTE_READONLY)); },
         true, failed(FailureCause::ReadOnly, 0)},
        {"its JPEG deleted", [](Scene& s) { ASSERT_TRUE(::DeleteFileW((s.out / "sshot001.jpg").c_str())); }, true,
         keptFor(Because::JpegGone)},
        {"deleted by the user", [](Scene& s) { ASSERT_TRUE(::DeleteFileW((s.in / "a.tga").c_str())); }, false,
         std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::HeldFolder in, out;
        test::writeGameTga(in / "a.tga", test::samplePicture(24, 16, 1));
        auto staged = stageTgaAsJpeg(in.folder(), "a.tga", out.folder(), "sshot001.jpg", 90, true);
        ASSERT_TRUE(staged);
        ASSERT_TRUE(commitStagedJpeg(staged->file));
        Scene scene{in, out, std::nullopt};
        row.arrange(scene);

        DeletionPolicy policy(in.folder(), out.folder());
        const auto deleted = policy.deleteConverted(SourceFile{"a.tga", "a.tga"}, staged->source, "sshot001.jpg");
        scene.game.reset(); // only now may Windows remove a file the viewer held
        EXPECT_EQ(in.has("a.tga"), row.sourceRemains);
        ASSERT_EQ(deleted.has_value(), !row.kept.has_value());
        if (row.kept) {
            EXPECT_EQ(deleted.error().because, row.kept->because);
            EXPECT_EQ(deleted.error().failure.cause, row.kept->failure.cause);
            EXPECT_EQ(deleted.error().failure.systemError, row.kept->failure.systemError);
        }
        ::SetFileAttributesW((in / "a.tga").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

} // namespace
} // namespace pellora
