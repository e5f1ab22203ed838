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

Expected<ContentDigest, Failure> ContentDigest::ofFile(const FileHandle& file, std::span<std::uint8_t> buffer)
{
    ContentDigest digest;
    std::uint64_t offset = 0;
    for (;;) {
        const auto n = readAllAt(file, buffer.data(), buffer.size(), offset);
        if (!n)
            return unexpected(Failure::of(FailureCause::CannotRead, n.error().systemError));
        digest.add(offset, std::span<const std::uint8_t>(buffer.data(), *n));
        offset += *n;
        if (*n < buffer.size())
            return digest;
    }
}

} // namespace pellora
