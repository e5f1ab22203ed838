#pragma once

#include "platform/io/FileSystem.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace pellora::test {

// Records every file operation in order and makes chosen ones fail, so tests
// can provoke what root would never see (read-only folders, a full disk, an
// fsync error) and check the order that makes deleting a source safe.
class RecordingFileSystem : public FileSystem {
public:
    enum class Op { Open, Read, Write, Fsync, Close, RenameNoReplace, Rename, Link, Unlink, Mkdir, SetTime };

    // The `nth` call of `op` from now on (1 = the next) fails with `error`;
    // `nth` 0 makes every call fail. `nameContains` limits it to paths that
    // contain the text (open, rename, link, unlink, mkdir only).
    void failOn(Op op, int error, int nth = 0, std::string nameContains = {});
    // Writes take at most this many bytes per call (a short write), 0 = no limit.
    void limitWritesTo(size_t bytes) { writeLimit_ = bytes; }

    // "open name", "write", "fsync", "close", "rename from to", "replace from to", "link from to",
    // "unlink name", "mkdir name", ...
    std::vector<std::string> calls() const;
    // Index of the first call that starts with `prefix`, or -1.
    int indexOf(const std::string& prefix) const;

    int open(const std::filesystem::path& path, int flags, mode_t mode) override;
    ssize_t read(int fd, void* buffer, size_t size) override;
    ssize_t write(int fd, const void* buffer, size_t size) override;
    int fsync(int fd) override;
    int close(int fd) override;
    int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override;
    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    int link(const std::filesystem::path& from, const std::filesystem::path& to) override;
    int unlink(const std::filesystem::path& path) override;
    int mkdir(const std::filesystem::path& path, mode_t mode) override;
    int setModificationTime(int fd, const timespec& time) override;

private:
    struct Failure {
        int error = 0;
        int countdown = 0; // calls left before it fails; -1: every call
        std::string nameContains;
    };
    // Records the call; returns the errno to fail with, or 0.
    int record(Op op, const std::string& text, const std::string& name = {});

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::multimap<Op, Failure> failures_;
    size_t writeLimit_ = 0;
    std::map<int, std::string> fdNames_;
};

} // namespace pellora::test
