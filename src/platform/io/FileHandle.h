#pragma once

#include "platform/Failure.h"

#include <utility>

namespace pellora {

class FileSystem;

// What the system calls an open file or folder.
#ifdef _WIN32
using NativeHandle = void*;
inline constexpr NativeHandle kNoNativeHandle = nullptr;
#else
using NativeHandle = int;
inline constexpr NativeHandle kNoNativeHandle = -1;
#endif

// An open file or folder and the FileSystem that opened it: every later call
// on it goes through that same FileSystem, and so does its close.
class FileHandle {
public:
    FileHandle() = default;
    // Owns `native`, which `fileSystem` opened, and closes it through it.
    FileHandle(FileSystem& fileSystem, NativeHandle native) : fs_(&fileSystem), native_(native), owned_(true) {}
    // Stands for `native` without closing it (the working folder, say).
    static FileHandle borrowed(FileSystem& fileSystem, NativeHandle native);

    ~FileHandle() { reset(); }
    FileHandle(FileHandle&& other) noexcept
        : fs_(std::exchange(other.fs_, nullptr)), native_(std::exchange(other.native_, kNoNativeHandle)),
          owned_(std::exchange(other.owned_, false))
    {
    }
    FileHandle& operator=(FileHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            fs_ = std::exchange(other.fs_, nullptr);
            native_ = std::exchange(other.native_, kNoNativeHandle);
            owned_ = std::exchange(other.owned_, false);
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return fs_ != nullptr; }
    NativeHandle native() const { return native_; }
    FileSystem& fileSystem() const { return *fs_; }

    // Closes now and reports the result: a close can be the first place a
    // delayed write error shows.
    Status close();

private:
    void reset();

    FileSystem* fs_ = nullptr;
    NativeHandle native_ = kNoNativeHandle;
    bool owned_ = false;
};

} // namespace pellora
