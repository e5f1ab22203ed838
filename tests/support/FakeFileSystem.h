#pragma once

#ifdef _WIN32
#include "platform/io/windows/WindowsFileSystem.h"
#else
#include "platform/io/posix/PosixFileSystem.h"
#endif

#include <functional>
#include <map>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

namespace pellora::test {

// The backend whose calls the fake makes for real.
#ifdef _WIN32
using NativeFileSystem = WindowsFileSystem;
#else
using NativeFileSystem = PosixFileSystem;
#endif

// The file system of the tests: it makes the real calls, records each one in
// order, makes the calls a rule picks fail (root ignores permission bits, so
// a read-only folder, a full disk or a failing device can only be played),
// and runs test code right after chosen calls, to play a user or another
// program changing a folder under a running batch.
//
// Rules pick calls by their text as recorded, which names the file by its
// name alone (whether by path or in an open folder), a descriptor by the
// name it was opened with:
//   "open-r name", "open-w name", "create name" (open with O_CREAT),
//   "read name", "write name", "fsync name", "close name", "mtime name",
//   "rename from to" (never replaces), "replace from to", "link from to",
//   "unlink name", "mkdir name", "stat name" (of an open file or by name),
//   "lock name", "list name", "owner name", "mode name".
class FakeFileSystem : public NativeFileSystem {
public:
    // Rename stands for both kinds of rename; RenameNoReplace only for the
    // kind that never replaces. Read covers read and pread.
    enum class Op {
        Open, Read, Write, Fsync, Close, RenameNoReplace, Rename, Link, Unlink, Mkdir, SetTime,
        Stat, Lock, List, SetOwner, SetMode,
    };

    // The `nth` call of `op` from now on (1 = the next) whose text contains
    // `text` fails with `error`; `nth` 0 makes every such call fail.
    void fail(Op op, int error, std::string text = {}, int nth = 0);
    // Writes whose text contains `text` take at most `bytes` bytes per call.
    void limitWrites(size_t bytes, std::string text = {});
    // Runs `action` once, right after the first call of `op` whose text
    // contains `text` has been made.
    void after(Op op, std::string text, std::function<void()> action);
    // The same after every such call. Calls an action makes itself run no
    // action, so an action may use the calls it follows.
    void afterEach(Op op, std::string text, std::function<void()> action);

    // Every call, in order; or only the calls of the operations listed.
    std::vector<std::string> calls(std::initializer_list<Op> only = {}) const;
    // Index of the first call that starts with `prefix`, or -1.
    int indexOf(const std::string& prefix) const;
    // How many calls were made to fail.
    int failuresDelivered() const;

    Expected<FileHandle, Failure> openAt(const FileHandle& folder, const std::filesystem::path& name, OpenFlags flags,
                                         unsigned permissions) override;
    Expected<std::size_t, Failure> read(const FileHandle& file, void* buffer, std::size_t size) override;
    Expected<std::size_t, Failure> readAt(const FileHandle& file, void* buffer, std::size_t size,
                                          std::uint64_t offset) override;
    Expected<std::size_t, Failure> write(const FileHandle& file, const void* buffer, std::size_t size) override;
    Status sync(const FileHandle& file) override;
    Status renameNoReplaceAt(const FileHandle& fromFolder, const std::filesystem::path& from,
                             const FileHandle& toFolder, const std::filesystem::path& to) override;
    Status renameAt(const FileHandle& fromFolder, const std::filesystem::path& from, const FileHandle& toFolder,
                    const std::filesystem::path& to) override;
    Status linkAt(const FileHandle& fromFolder, const std::filesystem::path& from, const FileHandle& toFolder,
                  const std::filesystem::path& to) override;
    Status unlinkAt(const FileHandle& folder, const std::filesystem::path& name) override;
    // Recorded and failed as an unlink of `name`, whichever way the system removes it.
    Status unlinkOpened(const FileHandle& file, const FileHandle& folder, const std::filesystem::path& name) override;
    Status mkdirAt(const FileHandle& folder, const std::filesystem::path& name, unsigned permissions) override;
    Status setModificationTime(const FileHandle& file, const timespec& time) override;
    Status setOwner(const FileHandle& file, std::uint32_t owner, std::uint32_t group) override;
    Status setPermissions(const FileHandle& file, unsigned permissions) override;
    Expected<FileStatus, Failure> status(const FileHandle& file) override;
    Expected<FileStatus, Failure> statusAt(const FileHandle& folder, const std::filesystem::path& name,
                                           Links links) override;
    Status tryLock(const FileHandle& file) override;
    FolderListing listAt(const FileHandle& folder, const std::filesystem::path& where) override;

protected:
    Status close(NativeHandle handle) override;

private:
    struct Rule {
        Op op;
        std::string text;
        int error = 0;
        int countdown = 0; // calls left before it fails; -1: every call
    };
    struct Hook {
        Op op;
        std::string text;
        std::function<void()> action;
        bool each = false;
        bool done = false;
    };
    struct Call {
        Op op;
        std::string text;
    };

    // Records the call; the errno to fail it with, or 0.
    int record(Op op, const std::string& text);
    int deliver(Op op, const std::string& text);
    void runHook(Op op, const std::string& text);
    std::string nameOf(const FileHandle& file) const;
    size_t writeLimitFor(const std::string& text) const;

    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    std::vector<Rule> rules_;
    std::vector<Hook> hooks_;
    std::vector<std::pair<std::string, size_t>> writeLimits_;
    std::map<NativeHandle, std::string> names_; // open files and their names
    int delivered_ = 0;
};

} // namespace pellora::test
