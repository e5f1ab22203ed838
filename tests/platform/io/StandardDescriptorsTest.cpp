#include "platform/io/StandardDescriptors.h"

#include "support/NonRegularFiles.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace pellora {
namespace {

// In a child process: closes `closed`, fills the gaps, and checks that the
// next file opened gets a number above 2 and that writing to each standard
// descriptor reaches no file of ours.
void closeFillAndOpen(const std::vector<int>& closed, const std::filesystem::path& file)
{
    for (int fd : closed)
        ::close(fd);
    if (!ensureStandardDescriptorsOpen())
        ::_exit(1);
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) == -1)
            ::_exit(2);
    const int ours = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (ours <= 2)
        ::_exit(3);
    ssize_t written = 0;
    for (int fd : closed)
        if (fd > 0)
            written += ::write(fd, "list line\n", 10); // what printing a list line does
    ::close(ours);
    ::_exit(written >= 0 ? 0 : 4);
}

TEST(StandardDescriptors, AClosedOneIsFilledBeforeAnyFileCanTakeItsNumber)
{
    test::TempDir dir;
    const std::vector<std::vector<int>> cases = {{0}, {1}, {2}, {1, 2}, {0, 1, 2}, {}};
    for (const auto& closed : cases) {
        SCOPED_TRACE(::testing::PrintToString(closed));
        const auto file = dir / "picture.jpg";
        EXPECT_TRUE(test::endsWithin(std::chrono::seconds(10), [&] { closeFillAndOpen(closed, file); }));
        EXPECT_EQ(test::readText(file), "");
    }
}

} // namespace
} // namespace pellora
