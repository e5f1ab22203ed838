#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/ContentDigest.h"
#include "platform/io/FileHandle.h"
#include "platform/io/UninitializedBytes.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace pellora {

// A stretch of an open file in memory, read in whole aligned blocks of about
// `stripBytes` and moved along the file in one direction per sweep: forward,
// or backward from the end for pictures stored bottom row first. Within a
// sweep no byte is read twice, and every read goes into the sweep's digest, so
// the digest is of exactly the bytes handed out. The file's first bytes (its
// header and colour map) are read once beforehand and served from `head`.
class FileWindow {
public:
    // A read that fails is CannotRead; a file that ends before its size said
    // has shrunk while we read it: ChangedWhileRead.
    FileWindow(const FileHandle& file, std::uint64_t fileSize, std::span<const std::uint8_t> head, UninitializedBytes& buffer,
               std::size_t stripBytes, std::size_t largestRequest);

    void startForward(std::uint64_t from, ContentDigest& digest);
    void startBackward(ContentDigest& digest);

    // The bytes [begin, end) of the file. Forward: `begin` never goes back
    // between calls. Backward: `end` never goes forward and `begin` never
    // forward. At most `largestRequest` bytes.
    [[nodiscard]] Expected<const std::uint8_t*, Failure> forward(std::uint64_t begin, std::uint64_t end);
    [[nodiscard]] Expected<const std::uint8_t*, Failure> backward(std::uint64_t begin, std::uint64_t end);

    // Reads what the sweep has not, so its digest covers everything after the head.
    [[nodiscard]] Status finishSweep();

private:
    Status readInto(std::uint8_t* out, std::uint64_t from, std::uint64_t to);
    std::uint64_t alignDown(std::uint64_t offset) const;
    std::uint64_t alignUp(std::uint64_t offset) const;

    const FileHandle& file_;
    std::uint64_t size_;
    std::span<const std::uint8_t> head_;
    UninitializedBytes& buffer_;
    std::size_t strip_;
    ContentDigest* digest_ = nullptr;
    // buffer_ holds the file's bytes [lo_, hi_).
    std::uint64_t lo_ = 0, hi_ = 0;
    // What this sweep has read from the file (beyond the head).
    std::uint64_t readLo_ = 0, readHi_ = 0;
};

} // namespace pellora
