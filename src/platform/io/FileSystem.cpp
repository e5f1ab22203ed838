#include "platform/io/FileSystem.h"

#include <atomic>

namespace pellora {

namespace {

std::atomic<FileSystem*> installed{nullptr};

} // namespace

FileSystem& FileSystem::forFrontEnds()
{
    FileSystem* replacement = installed.load(std::memory_order_acquire);
    return replacement ? *replacement : systemFileSystem();
}

FileSystem* FileSystem::install(FileSystem* replacement)
{
    return installed.exchange(replacement, std::memory_order_acq_rel);
}

} // namespace pellora
