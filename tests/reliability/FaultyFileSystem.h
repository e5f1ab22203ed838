#pragma once

#include "platform/io/FileSystem.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace pellora::test {

// A file system that fails chosen calls on chosen files, and runs test code
// at chosen moments (right after a file is opened, first read, or closed) to play a user
// or another program changing the folder under a running batch. Unlike the
// recording seam, writes and syncs are matched by the name of the file their
// descriptor was opened with, so a fault can hit a JPEG's temporary file
// without touching the log.
class FaultyFileSystem : public FileSystem {
public:
    // Rename is either kind of rename; RenameNoReplace only the kind that never replaces.
    enum class Op { Open, Write, Fsync, Rename, RenameNoReplace, Link, Unlink };

    // The `nth` matching call (1 = the first) fails with `error`; 0 = every one.
    void fail(Op op, int error, const std::string& nameContains, int nth = 0);
    // Every write to a matching file takes at most `bytes` bytes.
    void limitWrites(const std::string& nameContains, size_t bytes);
    void afterOpen(const std::string& nameContains, std::function<void()> action);
    void afterClose(const std::string& nameContains, std::function<void()> action);
    // After the first positioned read of a matching file: the file is open
    // and partly read.
    void afterFirstRead(const std::string& nameContains, std::function<void()> action);

    // How many calls were made to fail.
    int failuresDelivered() const;
    // "open name", "write name", "fsync name", "rename from to", "replace from to",
    // "link from to", "unlink name", in order.
    std::vector<std::string> calls() const;

    int open(const std::filesystem::path& path, int flags, mode_t mode) override;
    ssize_t pread(int fd, void* buffer, size_t size, off_t offset) override;
    ssize_t write(int fd, const void* buffer, size_t size) override;
    int fsync(int fd) override;
    int close(int fd) override;
    int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override;
    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    int link(const std::filesystem::path& from, const std::filesystem::path& to) override;
    int unlink(const std::filesystem::path& path) override;

private:
    struct Fault {
        int error;
        std::string nameContains;
        int countdown; // -1: every matching call
    };
    struct Hook {
        std::string nameContains;
        std::function<void()> action;
        bool done = false;
    };

    // Records the call; returns the errno to fail with, or 0.
    int check(Op op, const std::string& call, const std::string& name);
    // The errno of a fault set for `op` on `name`, or 0 (the lock is held).
    int deliver(Op op, const std::string& name);
    std::string nameOf(int fd);
    void runHook(std::vector<Hook>& hooks, const std::string& name);

    mutable std::mutex mutex_;
    std::multimap<Op, Fault> faults_;
    std::vector<std::pair<std::string, size_t>> writeLimits_;
    std::vector<Hook> afterOpen_, afterClose_, afterRead_;
    std::map<int, std::string> names_;
    std::vector<std::string> calls_;
    int delivered_ = 0;
};

} // namespace pellora::test
