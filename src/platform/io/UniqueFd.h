#pragma once

#include "platform/io/FileSystem.h"

#include <utility>

namespace pellora {

// Owns a file descriptor opened through FileSystem and closes it the same way.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }

    // Closes now and reports the result: a close can be the first place a
    // delayed write error shows.
    int close()
    {
        int rc = valid() ? FileSystem::current().close(fd_) : 0;
        fd_ = -1;
        return rc;
    }

private:
    void reset()
    {
        if (valid())
            FileSystem::current().close(fd_);
        fd_ = -1;
    }

    int fd_ = -1;
};

} // namespace pellora
