#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/FileHandle.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace pellora {

// A digest of a file's bytes that does not depend on how the file was read:
// the sum of a hash of each 4 KiB block, tied to the block's number. A
// conversion builds it from the very reads whose bytes it decodes, in whatever
// order it needs them; a check before deleting the source reads the file
// again, front to back, and must find the same value. A timestamp alone cannot
// tell a picture rewritten in place within the file system's time step.
class ContentDigest {
public:
    static constexpr std::size_t kBlockSize = 4096;

    // A digest that only counts bytes, for a file no one will check again:
    // hashing every byte costs a tenth of a conversion.
    static ContentDigest countingOnly();
    bool hashed() const { return hashing_; }

    // `offset` is a multiple of kBlockSize; `bytes` ends on a block boundary
    // or at the end of the file.
    void add(std::uint64_t offset, std::span<const std::uint8_t> bytes);

    // Adds what another digest saw of other blocks.
    void include(const ContentDigest& other)
    {
        sum_ += other.sum_;
        bytes_ += other.bytes_;
    }

    std::uint64_t value() const { return sum_; }
    std::uint64_t bytesAdded() const { return bytes_; }

    bool operator==(const ContentDigest& other) const = default;

    // The digest of everything `file` holds now, read from the start into
    // `buffer` (a multiple of kBlockSize long). On failure, CannotRead.
    static Expected<ContentDigest, Failure> ofFile(const FileHandle& file, std::span<std::uint8_t> buffer);

private:
    std::uint64_t sum_ = 0;
    std::uint64_t bytes_ = 0;
    bool hashing_ = true;
};

} // namespace pellora
