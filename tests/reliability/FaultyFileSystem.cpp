#include "FaultyFileSystem.h"

namespace pellora::test {

void FaultyFileSystem::fail(Op op, int error, const std::string& nameContains, int nth)
{
    std::lock_guard lock(mutex_);
    faults_.emplace(op, Fault{error, nameContains, nth == 0 ? -1 : nth});
}

void FaultyFileSystem::limitWrites(const std::string& nameContains, size_t bytes)
{
    std::lock_guard lock(mutex_);
    writeLimits_.emplace_back(nameContains, bytes);
}

void FaultyFileSystem::afterFirstRead(const std::string& nameContains, std::function<void()> action)
{
    std::lock_guard lock(mutex_);
    afterRead_.push_back(Hook{nameContains, std::move(action)});
}

void FaultyFileSystem::afterOpen(const std::string& nameContains, std::function<void()> action)
{
    std::lock_guard lock(mutex_);
    afterOpen_.push_back(Hook{nameContains, std::move(action)});
}

void FaultyFileSystem::afterClose(const std::string& nameContains, std::function<void()> action)
{
    std::lock_guard lock(mutex_);
    afterClose_.push_back(Hook{nameContains, std::move(action)});
}

int FaultyFileSystem::failuresDelivered() const
{
    std::lock_guard lock(mutex_);
    return delivered_;
}

std::vector<std::string> FaultyFileSystem::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

int FaultyFileSystem::check(Op op, const std::string& call, const std::string& name)
{
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
    if (const int error = deliver(op, name))
        return error;
    return op == Op::RenameNoReplace ? deliver(Op::Rename, name) : 0;
}

int FaultyFileSystem::deliver(Op op, const std::string& name)
{
    auto [first, last] = faults_.equal_range(op);
    for (auto it = first; it != last; ++it) {
        Fault& fault = it->second;
        if (name.find(fault.nameContains) == std::string::npos)
            continue;
        if (fault.countdown == -1 || (fault.countdown > 0 && --fault.countdown == 0)) {
            ++delivered_;
            return fault.error;
        }
    }
    return 0;
}

std::string FaultyFileSystem::nameOf(int fd)
{
    std::lock_guard lock(mutex_);
    const auto it = names_.find(fd);
    return it == names_.end() ? std::string() : it->second;
}

void FaultyFileSystem::runHook(std::vector<Hook>& hooks, const std::string& name)
{
    std::function<void()> action;
    {
        std::lock_guard lock(mutex_);
        for (Hook& hook : hooks) {
            if (!hook.done && name.find(hook.nameContains) != std::string::npos) {
                hook.done = true;
                action = hook.action;
                break;
            }
        }
    }
    if (action)
        action(); // outside the lock: the action may use the file system itself
}

int FaultyFileSystem::open(const std::filesystem::path& path, int flags, mode_t mode)
{
    const std::string name = path.filename().string();
    if (int error = check(Op::Open, "open " + name, path.string()))
        return -error;
    const int fd = FileSystem::open(path, flags, mode);
    if (fd >= 0) {
        {
            std::lock_guard lock(mutex_);
            names_[fd] = name;
        }
        runHook(afterOpen_, path.string());
    }
    return fd;
}

ssize_t FaultyFileSystem::pread(int fd, void* buffer, size_t size, off_t offset)
{
    const ssize_t n = FileSystem::pread(fd, buffer, size, offset);
    runHook(afterRead_, nameOf(fd));
    return n;
}

ssize_t FaultyFileSystem::write(int fd, const void* buffer, size_t size)
{
    const std::string name = nameOf(fd);
    if (int error = check(Op::Write, "write " + name, name))
        return -error;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [contains, limit] : writeLimits_)
            if (name.find(contains) != std::string::npos && size > limit)
                size = limit;
    }
    return FileSystem::write(fd, buffer, size);
}

int FaultyFileSystem::fsync(int fd)
{
    const std::string name = nameOf(fd);
    if (int error = check(Op::Fsync, "fsync " + name, name))
        return -error;
    return FileSystem::fsync(fd);
}

int FaultyFileSystem::close(int fd)
{
    std::string name;
    {
        std::lock_guard lock(mutex_);
        name = names_[fd];
        names_.erase(fd);
    }
    const int rc = FileSystem::close(fd);
    runHook(afterClose_, name);
    return rc;
}

int FaultyFileSystem::renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (int error = check(Op::RenameNoReplace, "rename " + from.filename().string() + " " + to.filename().string(),
                          from.filename().string() + " " + to.filename().string()))
        return -error;
    return FileSystem::renameNoReplace(from, to);
}

int FaultyFileSystem::rename(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (int error = check(Op::Rename, "replace " + from.filename().string() + " " + to.filename().string(),
                          from.filename().string() + " " + to.filename().string()))
        return -error;
    return FileSystem::rename(from, to);
}

int FaultyFileSystem::link(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (int error = check(Op::Link, "link " + from.filename().string() + " " + to.filename().string(),
                          from.filename().string() + " " + to.filename().string()))
        return -error;
    return FileSystem::link(from, to);
}

int FaultyFileSystem::unlink(const std::filesystem::path& path)
{
    if (int error = check(Op::Unlink, "unlink " + path.filename().string(), path.string()))
        return -error;
    return FileSystem::unlink(path);
}

} // namespace pellora::test
