#include "platform/io/ProgramFolder.h"

#include <system_error>

namespace pellora {

std::filesystem::path ProgramFolder::path()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path(error);
    return executable.parent_path();
}

} // namespace pellora
