#include "HeldFolder.h"

#include "platform/io/FileSystem.h"

#include <stdexcept>

namespace pellora::test {

HeldFolder::HeldFolder()
{
    auto opened = Folder::open(systemFileSystem(), dir_.path());
    if (!opened)
        throw std::runtime_error("cannot hold the test folder");
    folder_ = std::move(*opened);
}

void HeldFolder::put(const std::string& name, const std::string& bytes) const
{
    writeBytes(*this / name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

std::string HeldFolder::contentsOf(const std::string& name) const
{
    return readText(*this / name);
}

bool HeldFolder::has(const std::string& name) const
{
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(*this / name, ignored));
}

} // namespace pellora::test
