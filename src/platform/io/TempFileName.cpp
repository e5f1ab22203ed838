#include "platform/io/TempFileName.h"

#include <atomic>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace pellora {

namespace {

constexpr char kPrefix[] = ".pellora-";
constexpr char kSuffix[] = ".tmp";
constexpr size_t kHexDigits = 16;

std::uint64_t uniqueNumber()
{
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t seed = std::random_device{}();
    return (seed << 32) ^ (static_cast<std::uint64_t>(::getpid()) << 20) ^ counter.fetch_add(1);
}

} // namespace

std::filesystem::path TempFileName::next(const std::filesystem::path& folder)
{
    char name[64];
    std::snprintf(name, sizeof name, "%s%016llx%s", kPrefix,
                  static_cast<unsigned long long>(uniqueNumber()), kSuffix);
    return folder / name;
}

bool TempFileName::isOurs(const std::string& name)
{
    const size_t prefixLength = sizeof kPrefix - 1, suffixLength = sizeof kSuffix - 1;
    if (name.size() != prefixLength + kHexDigits + suffixLength)
        return false;
    if (name.compare(0, prefixLength, kPrefix) != 0 || name.compare(name.size() - suffixLength, suffixLength, kSuffix) != 0)
        return false;
    for (size_t i = prefixLength; i < prefixLength + kHexDigits; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

} // namespace pellora
