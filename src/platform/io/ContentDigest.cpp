#include "platform/io/ContentDigest.h"

#include "platform/io/WriteAll.h"

#include <xxhash.h>

namespace pellora {

namespace {

// Ties a block's hash to the block's place (splitmix64's finaliser), so that
// two blocks swapped change the sum. Cheaper than a seeded hash, which
// derives a new secret on every call.
std::uint64_t atPlace(std::uint64_t hash, std::uint64_t block)
{
    std::uint64_t z = hash ^ (block * 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

ContentDigest ContentDigest::countingOnly()
{
    ContentDigest digest;
    digest.hashing_ = false;
    return digest;
}

void ContentDigest::add(std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    bytes_ += bytes.size();
    if (!hashing_)
        return;
    std::uint64_t block = offset / kBlockSize;
    for (std::size_t at = 0; at < bytes.size(); at += kBlockSize, ++block) {
        const std::size_t length = std::min(kBlockSize, bytes.size() - at);
        sum_ += atPlace(XXH3_64bits(bytes.data() + at, length), block);
    }
}

Expected<ContentDigest, Failure> ContentDigest::ofFile(int fd, std::span<std::uint8_t> buffer)
{
    ContentDigest digest;
    std::uint64_t offset = 0;
    for (;;) {
        const ssize_t n = readAllAt(fd, buffer.data(), buffer.size(), offset);
        if (n < 0)
            return unexpected(Failure::of(FailureCause::CannotRead, static_cast<int>(-n)));
        digest.add(offset, std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
        offset += static_cast<std::uint64_t>(n);
        if (static_cast<std::size_t>(n) < buffer.size())
            return digest;
    }
}

} // namespace pellora
