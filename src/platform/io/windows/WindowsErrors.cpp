#include "platform/io/windows/WindowsErrors.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace pellora::windowsErrors {

namespace {

// Newer than the MinGW-w64 headers.
constexpr DWORD kDiskQuotaExceeded = 1295;  // ERROR_DISK_QUOTA_EXCEEDED
constexpr DWORD kStoppedOnSymlink = 681;    // ERROR_STOPPED_ON_SYMLINK

struct Row {
    DWORD code;
    int number;
};

// The codes the file calls of the backend return, grouped by what they mean
// to a caller: gone, refused, taken, full, malformed, broken.
constexpr Row kRows[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},
    {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_DRIVE, ENOENT},
    {ERROR_BAD_NETPATH, ENOENT},
    {ERROR_BAD_NET_NAME, ENOENT},
    {ERROR_DELETE_PENDING, ENOENT}, // deleted, only not yet closed by everyone
    {ERROR_DIRECTORY, ENOTDIR},
    {ERROR_ACCESS_DENIED, EACCES},
    {ERROR_CANNOT_MAKE, EACCES},
    {ERROR_PRIVILEGE_NOT_HELD, EPERM},
    {ERROR_SHARING_VIOLATION, EBUSY}, // another program holds it and shares it not
    {ERROR_LOCK_VIOLATION, EBUSY},
    {ERROR_USER_MAPPED_FILE, EBUSY},
    {ERROR_CURRENT_DIRECTORY, EBUSY},
    {ERROR_FILE_EXISTS, EEXIST},
    {ERROR_ALREADY_EXISTS, EEXIST},
    {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
    {ERROR_NOT_SAME_DEVICE, EXDEV},
    {ERROR_DISK_FULL, ENOSPC},
    {ERROR_HANDLE_DISK_FULL, ENOSPC},
    {kDiskQuotaExceeded, ENOSPC},
    {ERROR_FILE_TOO_LARGE, EFBIG},
    {ERROR_WRITE_PROTECT, EROFS},
    {ERROR_INVALID_NAME, EINVAL},
    {ERROR_BAD_PATHNAME, EINVAL},
    {ERROR_INVALID_PARAMETER, EINVAL},
    {ERROR_NEGATIVE_SEEK, EINVAL},
    {ERROR_NOT_A_REPARSE_POINT, EINVAL},
    {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_CANT_RESOLVE_FILENAME, ELOOP}, // too many links in a row
    {kStoppedOnSymlink, ELOOP},
    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
    {ERROR_OUTOFMEMORY, ENOMEM},
    {ERROR_NO_SYSTEM_RESOURCES, ENOMEM},
    {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
    {ERROR_INVALID_HANDLE, EBADF},
    {ERROR_NOT_SUPPORTED, EOPNOTSUPP}, // the file system lacks the request (hard links on FAT)
    {ERROR_INVALID_FUNCTION, EOPNOTSUPP},
    {ERROR_CALL_NOT_IMPLEMENTED, ENOSYS},
    {ERROR_BROKEN_PIPE, EPIPE},
    {ERROR_CRC, EIO},
    {ERROR_SECTOR_NOT_FOUND, EIO},
    {ERROR_GEN_FAILURE, EIO},
    {ERROR_READ_FAULT, EIO},
    {ERROR_WRITE_FAULT, EIO},
    {ERROR_NOT_READY, EIO},         // a drive without its medium
    {ERROR_DEV_NOT_EXIST, EIO},     // a drive pulled out
    {ERROR_NETNAME_DELETED, EIO},   // a network share gone away
    {ERROR_UNEXP_NET_ERR, EIO},
};

} // namespace

int toErrno(std::uint32_t code)
{
    const auto row = std::find_if(std::begin(kRows), std::end(kRows), [&](const Row& r) { return r.code == code; });
    return row != std::end(kRows) ? row->number : EIO;
}

int lastErrno()
{
    return toErrno(::GetLastError());
}

Unexpected<Failure> lastFailure(FailureCause cause)
{
    return unexpected(Failure::of(cause, lastErrno()));
}

} // namespace pellora::windowsErrors
