#include "support/FakeFileSystem.h"

#include <algorithm>
#include <fcntl.h>

namespace pellora::test {

namespace {

using Op = FakeFileSystem::Op;

// A folder's path may end in a separator: its name is the part before.
std::string fileNameOf(const std::filesystem::path& path)
{
    return path.has_filename() || !path.has_relative_path() ? path.filename().string()
                                                             : path.parent_path().filename().string();
}

// Whether this thread is running a hook's action now.
thread_local bool inHook = false;

std::string openText(const std::filesystem::path& path, int flags)
{
    if (flags & O_CREAT)
        return "create " + fileNameOf(path);
    return ((flags & O_ACCMODE) == O_RDONLY ? "open-r " : "open-w ") + fileNameOf(path);
}

std::string moveText(const char* verb, const std::filesystem::path& from, const std::filesystem::path& to)
{
    return std::string(verb) + " " + fileNameOf(from) + " " + fileNameOf(to);
}

bool covers(Op rule, Op call) { return rule == call || (rule == Op::Rename && call == Op::RenameNoReplace); }

} // namespace

void FakeFileSystem::fail(Op op, int error, std::string text, int nth)
{
    std::lock_guard lock(mutex_);
    rules_.push_back(Rule{op, std::move(text), error, nth == 0 ? -1 : nth});
}

void FakeFileSystem::limitWrites(size_t bytes, std::string text)
{
    std::lock_guard lock(mutex_);
    writeLimits_.emplace_back(std::move(text), bytes);
}

void FakeFileSystem::after(Op op, std::string text, std::function<void()> action)
{
    std::lock_guard lock(mutex_);
    hooks_.push_back(Hook{op, std::move(text), std::move(action)});
}

void FakeFileSystem::afterEach(Op op, std::string text, std::function<void()> action)
{
    std::lock_guard lock(mutex_);
    hooks_.push_back(Hook{op, std::move(text), std::move(action), true});
}

std::vector<std::string> FakeFileSystem::calls(std::initializer_list<Op> only) const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const Call& call : calls_)
        if (only.size() == 0 || std::find(only.begin(), only.end(), call.op) != only.end())
            texts.push_back(call.text);
    return texts;
}

int FakeFileSystem::indexOf(const std::string& prefix) const
{
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < calls_.size(); ++i)
        if (calls_[i].text.starts_with(prefix))
            return static_cast<int>(i);
    return -1;
}

int FakeFileSystem::failuresDelivered() const
{
    std::lock_guard lock(mutex_);
    return delivered_;
}

int FakeFileSystem::record(Op op, const std::string& text)
{
    std::lock_guard lock(mutex_);
    calls_.push_back(Call{op, text});
    // A rule for the operation itself comes first: a rename that never
    // replaces fails as its own rule says before a rule for every rename.
    if (const int error = deliver(op, text))
        return error;
    return op == Op::RenameNoReplace ? deliver(Op::Rename, text) : 0;
}

int FakeFileSystem::deliver(Op op, const std::string& text)
{
    for (Rule& rule : rules_) {
        if (rule.op != op || text.find(rule.text) == std::string::npos)
            continue;
        if (rule.countdown == -1 || (rule.countdown > 0 && --rule.countdown == 0)) {
            ++delivered_;
            return rule.error;
        }
    }
    return 0;
}

void FakeFileSystem::runHook(Op op, const std::string& text)
{
    if (inHook)
        return;
    std::function<void()> action;
    {
        std::lock_guard lock(mutex_);
        for (Hook& hook : hooks_) {
            if (!hook.done && covers(hook.op, op) && text.find(hook.text) != std::string::npos) {
                hook.done = !hook.each;
                action = hook.action;
                break;
            }
        }
    }
    if (!action)
        return;
    // Outside the lock: the action may use the file system itself.
    inHook = true;
    action();
    inHook = false;
}

std::string FakeFileSystem::nameOf(int fd) const
{
    std::lock_guard lock(mutex_);
    const auto it = names_.find(fd);
    return it == names_.end() ? std::string() : it->second;
}

size_t FakeFileSystem::writeLimitFor(const std::string& text) const
{
    std::lock_guard lock(mutex_);
    size_t limit = 0;
    for (const auto& [contains, bytes] : writeLimits_)
        if (text.find(contains) != std::string::npos && (limit == 0 || bytes < limit))
            limit = bytes;
    return limit;
}

int FakeFileSystem::openAt(int folder, const std::filesystem::path& path, int flags, mode_t mode)
{
    const std::string text = openText(path, flags);
    if (const int error = record(Op::Open, text))
        return -error;
    const int fd = FileSystem::openAt(folder, path, flags, mode);
    if (fd >= 0) {
        std::lock_guard lock(mutex_);
        names_[fd] = fileNameOf(path);
    }
    runHook(Op::Open, text);
    return fd;
}

ssize_t FakeFileSystem::read(int fd, void* buffer, size_t size)
{
    const std::string text = "read " + nameOf(fd);
    if (const int error = record(Op::Read, text))
        return -error;
    const ssize_t n = FileSystem::read(fd, buffer, size);
    runHook(Op::Read, text);
    return n;
}

ssize_t FakeFileSystem::pread(int fd, void* buffer, size_t size, off_t offset)
{
    const std::string text = "read " + nameOf(fd);
    if (const int error = record(Op::Read, text))
        return -error;
    const ssize_t n = FileSystem::pread(fd, buffer, size, offset);
    runHook(Op::Read, text);
    return n;
}

ssize_t FakeFileSystem::write(int fd, const void* buffer, size_t size)
{
    const std::string text = "write " + nameOf(fd);
    if (const int error = record(Op::Write, text))
        return -error;
    if (const size_t limit = writeLimitFor(text); limit != 0 && size > limit)
        size = limit;
    return FileSystem::write(fd, buffer, size);
}

int FakeFileSystem::fsync(int fd)
{
    const std::string text = "fsync " + nameOf(fd);
    if (const int error = record(Op::Fsync, text))
        return -error;
    return FileSystem::fsync(fd);
}

int FakeFileSystem::close(int fd)
{
    const std::string text = "close " + nameOf(fd);
    {
        std::lock_guard lock(mutex_);
        names_.erase(fd);
    }
    const int rc = FileSystem::close(fd); // the descriptor is gone whatever is reported
    const int error = record(Op::Close, text);
    runHook(Op::Close, text);
    return error != 0 ? -error : rc;
}

int FakeFileSystem::renameNoReplaceAt(int fromFolder, const std::filesystem::path& from, int toFolder,
                                      const std::filesystem::path& to)
{
    const std::string text = moveText("rename", from, to);
    if (const int error = record(Op::RenameNoReplace, text))
        return -error;
    const int rc = FileSystem::renameNoReplaceAt(fromFolder, from, toFolder, to);
    runHook(Op::RenameNoReplace, text);
    return rc;
}

int FakeFileSystem::renameAt(int fromFolder, const std::filesystem::path& from, int toFolder,
                             const std::filesystem::path& to)
{
    const std::string text = moveText("replace", from, to);
    if (const int error = record(Op::Rename, text))
        return -error;
    const int rc = FileSystem::renameAt(fromFolder, from, toFolder, to);
    runHook(Op::Rename, text);
    return rc;
}

int FakeFileSystem::linkAt(int fromFolder, const std::filesystem::path& from, int toFolder,
                           const std::filesystem::path& to)
{
    const std::string text = moveText("link", from, to);
    if (const int error = record(Op::Link, text))
        return -error;
    const int rc = FileSystem::linkAt(fromFolder, from, toFolder, to);
    runHook(Op::Link, text);
    return rc;
}

int FakeFileSystem::unlinkAt(int folder, const std::filesystem::path& path)
{
    const std::string text = "unlink " + fileNameOf(path);
    if (const int error = record(Op::Unlink, text))
        return -error;
    const int rc = FileSystem::unlinkAt(folder, path);
    runHook(Op::Unlink, text);
    return rc;
}

int FakeFileSystem::mkdirAt(int folder, const std::filesystem::path& path, mode_t mode)
{
    if (const int error = record(Op::Mkdir, "mkdir " + fileNameOf(path)))
        return -error;
    return FileSystem::mkdirAt(folder, path, mode);
}

int FakeFileSystem::setModificationTime(int fd, const timespec& time)
{
    if (const int error = record(Op::SetTime, "mtime " + nameOf(fd)))
        return -error;
    return FileSystem::setModificationTime(fd, time);
}

} // namespace pellora::test
