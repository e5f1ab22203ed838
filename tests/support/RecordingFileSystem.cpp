#include "support/RecordingFileSystem.h"

namespace pellora::test {

void RecordingFileSystem::failOn(Op op, int error, int nth, std::string nameContains)
{
    std::lock_guard lock(mutex_);
    failures_.emplace(op, Failure{error, nth == 0 ? -1 : nth, std::move(nameContains)});
}

std::vector<std::string> RecordingFileSystem::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

int RecordingFileSystem::indexOf(const std::string& prefix) const
{
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < calls_.size(); ++i)
        if (calls_[i].rfind(prefix, 0) == 0)
            return static_cast<int>(i);
    return -1;
}

int RecordingFileSystem::record(Op op, const std::string& text, const std::string& name)
{
    std::lock_guard lock(mutex_);
    calls_.push_back(text);
    auto [first, last] = failures_.equal_range(op);
    for (auto it = first; it != last; ++it) {
        Failure& failure = it->second;
        if (!failure.nameContains.empty() && name.find(failure.nameContains) == std::string::npos)
            continue;
        if (failure.countdown == -1)
            return failure.error;
        if (failure.countdown > 0 && --failure.countdown == 0)
            return failure.error;
    }
    return 0;
}

int RecordingFileSystem::open(const std::filesystem::path& path, int flags, mode_t mode)
{
    const std::string name = path.filename().string();
    if (int error = record(Op::Open, "open " + name, path.string()))
        return -error;
    const int fd = FileSystem::open(path, flags, mode);
    if (fd >= 0) {
        std::lock_guard lock(mutex_);
        fdNames_[fd] = name;
    }
    return fd;
}

ssize_t RecordingFileSystem::read(int fd, void* buffer, size_t size)
{
    if (int error = record(Op::Read, "read"))
        return -error;
    return FileSystem::read(fd, buffer, size);
}

ssize_t RecordingFileSystem::write(int fd, const void* buffer, size_t size)
{
    if (int error = record(Op::Write, "write"))
        return -error;
    if (writeLimit_ != 0 && size > writeLimit_)
        size = writeLimit_;
    return FileSystem::write(fd, buffer, size);
}

int RecordingFileSystem::fsync(int fd)
{
    std::string name;
    {
        std::lock_guard lock(mutex_);
        name = fdNames_.count(fd) ? fdNames_[fd] : std::string();
    }
    if (int error = record(Op::Fsync, "fsync " + name, name))
        return -error;
    return FileSystem::fsync(fd);
}

int RecordingFileSystem::close(int fd)
{
    {
        std::lock_guard lock(mutex_);
        fdNames_.erase(fd);
    }
    const int rc = FileSystem::close(fd); // the descriptor is gone whatever we report
    if (int error = record(Op::Close, "close"))
        return -error;
    return rc;
}

int RecordingFileSystem::renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (int error = record(Op::RenameNoReplace,
                           "rename " + from.filename().string() + " " + to.filename().string(), to.string()))
        return -error;
    return FileSystem::renameNoReplace(from, to);
}

int RecordingFileSystem::rename(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (int error = record(Op::Rename, "replace " + from.filename().string() + " " + to.filename().string(),
                           to.string()))
        return -error;
    return FileSystem::rename(from, to);
}

int RecordingFileSystem::link(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (int error = record(Op::Link, "link " + from.filename().string() + " " + to.filename().string(), to.string()))
        return -error;
    return FileSystem::link(from, to);
}

int RecordingFileSystem::unlink(const std::filesystem::path& path)
{
    if (int error = record(Op::Unlink, "unlink " + path.filename().string(), path.string()))
        return -error;
    return FileSystem::unlink(path);
}

int RecordingFileSystem::mkdir(const std::filesystem::path& path, mode_t mode)
{
    if (int error = record(Op::Mkdir, "mkdir " + path.filename().string(), path.string()))
        return -error;
    return FileSystem::mkdir(path, mode);
}

int RecordingFileSystem::setModificationTime(int fd, const timespec& time)
{
    if (int error = record(Op::SetTime, "mtime"))
        return -error;
    return FileSystem::setModificationTime(fd, time);
}

} // namespace pellora::test
