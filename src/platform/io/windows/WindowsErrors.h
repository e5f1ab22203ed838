#pragma once

#include "platform/Failure.h"

#include <cstdint>

// Windows' error codes (GetLastError) as the error numbers of <cerrno> that
// the rest of the program speaks: the backend translates each one where it
// arises, and no Windows code travels further.
namespace pellora::windowsErrors {

// The error number for `code`; EIO for a code nobody expected, so that an
// unknown failure is never taken for success or for "not there".
int toErrno(std::uint32_t code);

// The calling thread's last Windows error, translated.
int lastErrno();

// A Failure of `cause` with the calling thread's last Windows error.
Unexpected<Failure> lastFailure(FailureCause cause);

} // namespace pellora::windowsErrors
