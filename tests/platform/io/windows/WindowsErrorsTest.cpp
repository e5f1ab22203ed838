#include "platform/io/windows/WindowsErrors.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cerrno>

namespace pellora {
namespace {

struct Row {
    DWORD code;
    int number;
};

// What a caller decides on: gone (a delete has nothing to do), taken (never
// replace), in use (keep the source), unsupported (try the next means), and
// anything unknown as a plain I/O error, never as success or absence.
TEST(WindowsErrorsTest, EachWindowsCodeBecomesTheErrorNumberItsCallersDecideOn)
{
    const Row rows[] = {
        {ERROR_FILE_NOT_FOUND, ENOENT},
        {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_DELETE_PENDING, ENOENT},
        {ERROR_DIRECTORY, ENOTDIR},
        {ERROR_ACCESS_DENIED, EACCES},
        {ERROR_SHARING_VIOLATION, EBUSY},
        {ERROR_LOCK_VIOLATION, EBUSY},
        {ERROR_FILE_EXISTS, EEXIST},
        {ERROR_ALREADY_EXISTS, EEXIST},
        {ERROR_NOT_SAME_DEVICE, EXDEV},
        {ERROR_DISK_FULL, ENOSPC},
        {ERROR_HANDLE_DISK_FULL, ENOSPC},
        {ERROR_WRITE_PROTECT, EROFS},
        {ERROR_INVALID_NAME, EINVAL},
        {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
        {ERROR_CANT_RESOLVE_FILENAME, ELOOP},
        {ERROR_NOT_SUPPORTED, EOPNOTSUPP},
        {ERROR_INVALID_FUNCTION, EOPNOTSUPP},
        {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
        {ERROR_CRC, EIO},
        {ERROR_DEV_NOT_EXIST, EIO},
        {ERROR_NETNAME_DELETED, EIO},
        {0xDEADu, EIO},
    };
    for (const Row& row : rows)
        EXPECT_EQ(windowsErrors::toErrno(row.code), row.number) << "Windows error " << row.code;
}

TEST(WindowsErrorsTest, TheLastErrorIsTranslatedWithTheCauseGiven)
{
    ::SetLastError(ERROR_SHARING_VIOLATION);
    const auto failure = windowsErrors::lastFailure(FailureCause::CannotDelete);
    EXPECT_EQ(failure.error.cause, FailureCause::CannotDelete);
    EXPECT_EQ(failure.error.systemError, EBUSY);
}

} // namespace
} // namespace pellora
