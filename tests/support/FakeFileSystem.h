#pragma once

#include "platform/io/FileSystem.h"

#include <functional>
#include <map>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

namespace pellora::test {

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
//   "unlink name", "mkdir name".
class FakeFileSystem : public FileSystem {
public:
    // Rename stands for both kinds of rename; RenameNoReplace only for the
    // kind that never replaces. Read covers read and pread.
    enum class Op { Open, Read, Write, Fsync, Close, RenameNoReplace, Rename, Link, Unlink, Mkdir, SetTime };

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

    int openAt(int folder, const std::filesystem::path& name, int flags, mode_t mode) override;
    ssize_t read(int fd, void* buffer, size_t size) override;
    ssize_t pread(int fd, void* buffer, size_t size, off_t offset) override;
    ssize_t write(int fd, const void* buffer, size_t size) override;
    int fsync(int fd) override;
    int close(int fd) override;
    int renameNoReplaceAt(int fromFolder, const std::filesystem::path& from, int toFolder,
                          const std::filesystem::path& to) override;
    int renameAt(int fromFolder, const std::filesystem::path& from, int toFolder,
                 const std::filesystem::path& to) override;
    int linkAt(int fromFolder, const std::filesystem::path& from, int toFolder,
               const std::filesystem::path& to) override;
    int unlinkAt(int folder, const std::filesystem::path& name) override;
    int mkdirAt(int folder, const std::filesystem::path& name, mode_t mode) override;
    int setModificationTime(int fd, const timespec& time) override;

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
    std::string nameOf(int fd) const;
    size_t writeLimitFor(const std::string& text) const;

    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    std::vector<Rule> rules_;
    std::vector<Hook> hooks_;
    std::vector<std::pair<std::string, size_t>> writeLimits_;
    std::map<int, std::string> names_; // open descriptors and their files' names
    int delivered_ = 0;
};

} // namespace pellora::test
