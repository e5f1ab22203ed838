#include "platform/io/FileReader.h"

#include "platform/io/FileSystem.h"
#include "platform/io/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace pellora {

Expected<FileReader::Contents, int> FileReader::readAll(const std::filesystem::path& path, std::uint64_t maxSize,
                                                       bool followLinks, UninitializedBytes buffer)
{
    FileSystem& fs = FileSystem::current();
    // Non-blocking, so that a FIFO under the file's name cannot hang the open.
    UniqueFd fd(fs.open(path, O_RDONLY | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW)));
    if (!fd.valid())
        return unexpected(-fd.get());

    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return unexpected(errno);
    if (!S_ISREG(info.st_mode))
        return unexpected(EISDIR);
    if (static_cast<std::uint64_t>(info.st_size) > maxSize)
        return unexpected(EFBIG);

    Contents contents;
    contents.bytes = std::move(buffer);
    contents.modificationTime = info.st_mtim;
    contents.mode = info.st_mode;
    contents.bytes.resize(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < contents.bytes.size()) {
        ssize_t n = fs.read(fd.get(), contents.bytes.data() + done, contents.bytes.size() - done);
        if (n < 0)
            return unexpected(static_cast<int>(-n));
        if (n == 0)
            break; // the file shrank while we read it
        done += static_cast<size_t>(n);
    }
    // A file that changed size under us is read as it is now, not as stat said.
    contents.bytes.resize(done);
    return contents;
}

} // namespace pellora
