#include "OtherProgram.h"

namespace pellora::test::otherProgram {

UniqueHandle open(const std::filesystem::path& path, DWORD access, DWORD share, DWORD disposition)
{
    return UniqueHandle(::CreateFileW(path.c_str(), access, share, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool write(HANDLE file, std::string_view bytes)
{
    DWORD done = 0;
    return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
}

DWORD move(const std::filesystem::path& from, const std::filesystem::path& to, DWORD flags)
{
    return ::MoveFileExW(from.c_str(), to.c_str(), flags) ? 0 : ::GetLastError();
}

} // namespace pellora::test::otherProgram
