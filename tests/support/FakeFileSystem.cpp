#include "support/FakeFileSystem.h"

#include "platform/text/PathText.h"

#include <algorithm>

namespace pellora::test {

namespace {

using Op = FakeFileSystem::Op;

// A folder's path may end in a separator: its name is the part before.
std::string fileNameOf(const std::filesystem::path& path)
{
    return pathText::toBytes(path.has_filename() || !path.has_relative_path() ? path.filename()
                                                                               : path.parent_path().filename());
}

// Whether this thread is running a hook's action now.
thread_local bool inHook = false;

std::string openText(const std::filesystem::path& path, OpenFlags flags)
{
    if (flags & Open::Create)
        return "create " + fileNameOf(path);
    return (Open::writes(flags) ? "open-w " : "open-r ") + fileNameOf(path);
}

// Fails as the system's own call would have.
Unexpected<Failure> injected(FailureCause cause, int error) { return unexpected(Failure::of(cause, error)); }

FailureCause openingCause(OpenFlags flags)
{
    if (flags & Open::Create)
        return FailureCause::CannotCreate;
    return Open::writes(flags) ? FailureCause::CannotWrite : FailureCause::CannotRead;
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

std::string FakeFileSystem::nameOf(const FileHandle& file) const
{
    std::lock_guard lock(mutex_);
    const auto it = names_.find(file.native());
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

Expected<FileHandle, Failure> FakeFileSystem::openAt(const FileHandle& folder, const std::filesystem::path& path,
                                                     OpenFlags flags, unsigned permissions)
{
    const std::string text = openText(path, flags);
    if (const int error = record(Op::Open, text))
        return injected(openingCause(flags), error);
    auto file = NativeFileSystem::openAt(folder, path, flags, permissions);
    if (file) {
        std::lock_guard lock(mutex_);
        names_[file->native()] = fileNameOf(path);
    }
    runHook(Op::Open, text);
    return file;
}

Expected<std::size_t, Failure> FakeFileSystem::read(const FileHandle& file, void* buffer, std::size_t size)
{
    const std::string text = "read " + nameOf(file);
    if (const int error = record(Op::Read, text))
        return injected(FailureCause::CannotRead, error);
    auto n = NativeFileSystem::read(file, buffer, size);
    runHook(Op::Read, text);
    return n;
}

Expected<std::size_t, Failure> FakeFileSystem::readAt(const FileHandle& file, void* buffer, std::size_t size,
                                                      std::uint64_t offset)
{
    const std::string text = "read " + nameOf(file);
    if (const int error = record(Op::Read, text))
        return injected(FailureCause::CannotRead, error);
    auto n = NativeFileSystem::readAt(file, buffer, size, offset);
    runHook(Op::Read, text);
    return n;
}

Expected<std::size_t, Failure> FakeFileSystem::write(const FileHandle& file, const void* buffer, std::size_t size)
{
    const std::string text = "write " + nameOf(file);
    if (const int error = record(Op::Write, text))
        return injected(FailureCause::CannotWrite, error);
    if (const size_t limit = writeLimitFor(text); limit != 0 && size > limit)
        size = limit;
    return NativeFileSystem::write(file, buffer, size);
}

Status FakeFileSystem::sync(const FileHandle& file)
{
    const std::string text = "fsync " + nameOf(file);
    if (const int error = record(Op::Fsync, text))
        return injected(FailureCause::CannotWrite, error);
    const Status synced = NativeFileSystem::sync(file);
    runHook(Op::Fsync, text);
    return synced;
}

Status FakeFileSystem::close(NativeHandle handle)
{
    std::string text = "close ";
    {
        std::lock_guard lock(mutex_);
        if (const auto it = names_.find(handle); it != names_.end()) {
            text += it->second;
            names_.erase(it);
        }
    }
    const Status closed = NativeFileSystem::close(handle); // the file is closed whatever is reported
    const int error = record(Op::Close, text);
    runHook(Op::Close, text);
    return error != 0 ? Status(injected(FailureCause::CannotWrite, error)) : closed;
}

Status FakeFileSystem::renameNoReplaceAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                                         const FileHandle& toFolder, const std::filesystem::path& to)
{
    const std::string text = moveText("rename", from, to);
    if (const int error = record(Op::RenameNoReplace, text))
        return unexpected(Failure::ofPlacing(error));
    const Status moved = NativeFileSystem::renameNoReplaceAt(fromFolder, from, toFolder, to);
    runHook(Op::RenameNoReplace, text);
    return moved;
}

Status FakeFileSystem::renameAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                                const FileHandle& toFolder, const std::filesystem::path& to)
{
    const std::string text = moveText("replace", from, to);
    if (const int error = record(Op::Rename, text))
        return injected(FailureCause::CannotCommit, error);
    const Status moved = NativeFileSystem::renameAt(fromFolder, from, toFolder, to);
    runHook(Op::Rename, text);
    return moved;
}

Status FakeFileSystem::linkAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                              const FileHandle& toFolder, const std::filesystem::path& to)
{
    const std::string text = moveText("link", from, to);
    if (const int error = record(Op::Link, text))
        return unexpected(Failure::ofPlacing(error));
    const Status linked = NativeFileSystem::linkAt(fromFolder, from, toFolder, to);
    runHook(Op::Link, text);
    return linked;
}

Status FakeFileSystem::unlinkAt(const FileHandle& folder, const std::filesystem::path& path)
{
    const std::string text = "unlink " + fileNameOf(path);
    if (const int error = record(Op::Unlink, text))
        return injected(FailureCause::CannotDelete, error);
    const Status removed = NativeFileSystem::unlinkAt(folder, path);
    runHook(Op::Unlink, text);
    return removed;
}

Status FakeFileSystem::unlinkOpened(const FileHandle& file, const FileHandle& folder,
                                    const std::filesystem::path& path)
{
    const std::string text = "unlink " + fileNameOf(path);
    if (const int error = record(Op::Unlink, text))
        return injected(FailureCause::CannotDelete, error);
    const Status removed = NativeFileSystem::unlinkOpened(file, folder, path);
    runHook(Op::Unlink, text);
    return removed;
}

Status FakeFileSystem::mkdirAt(const FileHandle& folder, const std::filesystem::path& path, unsigned permissions)
{
    if (const int error = record(Op::Mkdir, "mkdir " + fileNameOf(path)))
        return injected(FailureCause::CannotCreate, error);
    return NativeFileSystem::mkdirAt(folder, path, permissions);
}

Status FakeFileSystem::setModificationTime(const FileHandle& file, const timespec& time)
{
    if (const int error = record(Op::SetTime, "mtime " + nameOf(file)))
        return injected(FailureCause::CannotWrite, error);
    return NativeFileSystem::setModificationTime(file, time);
}

Status FakeFileSystem::setOwner(const FileHandle& file, std::uint32_t owner, std::uint32_t group)
{
    if (const int error = record(Op::SetOwner, "owner " + nameOf(file)))
        return injected(FailureCause::CannotWrite, error);
    return NativeFileSystem::setOwner(file, owner, group);
}

Status FakeFileSystem::setPermissions(const FileHandle& file, unsigned permissions)
{
    if (const int error = record(Op::SetMode, "mode " + nameOf(file)))
        return injected(FailureCause::CannotWrite, error);
    return NativeFileSystem::setPermissions(file, permissions);
}

Expected<FileStatus, Failure> FakeFileSystem::status(const FileHandle& file)
{
    if (const int error = record(Op::Stat, "stat " + nameOf(file)))
        return injected(FailureCause::CannotRead, error);
    return NativeFileSystem::status(file);
}

Expected<FileStatus, Failure> FakeFileSystem::statusAt(const FileHandle& folder, const std::filesystem::path& name,
                                                       Links links)
{
    if (const int error = record(Op::Stat, "stat " + fileNameOf(name)))
        return injected(FailureCause::CannotRead, error);
    return NativeFileSystem::statusAt(folder, name, links);
}

Status FakeFileSystem::tryLock(const FileHandle& file)
{
    if (const int error = record(Op::Lock, "lock " + nameOf(file)))
        return injected(FailureCause::CannotRead, error);
    return NativeFileSystem::tryLock(file);
}

FolderListing FakeFileSystem::listAt(const FileHandle& folder, const std::filesystem::path& where)
{
    if (const int error = record(Op::List, "list " + fileNameOf(where)))
        return FolderListing{{}, injected(FailureCause::CannotRead, error)};
    return NativeFileSystem::listAt(folder, where);
}

} // namespace pellora::test
