#include "cli/Terminal.h"

#include "platform/text/Utf8.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <io.h>

namespace pellora {

namespace {

HANDLE handleOf(std::FILE* stream)
{
    const int descriptor = ::_fileno(stream);
    return descriptor < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
}

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

// The system's errors of a write, in the program's vocabulary.
int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA: return EPIPE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_INVALID_HANDLE: return EBADF;
    default: return EIO;
    }
}

Status writeToConsole(HANDLE console, std::string_view text)
{
    const std::u16string units = utf8::toUtf16(text);
    // The console takes a limited amount at once; pieces never split a surrogate pair.
    constexpr std::size_t kPiece = 4096;
    for (std::size_t at = 0; at < units.size();) {
        std::size_t count = std::min(kPiece, units.size() - at);
        if (at + count < units.size() && units[at + count - 1] >= 0xD800 && units[at + count - 1] <= 0xDBFF)
            --count;
        DWORD written = 0;
        if (!::WriteConsoleW(console, units.data() + at, static_cast<DWORD>(count), &written, nullptr) || written == 0)
            return unexpected(Failure::of(FailureCause::CannotWrite, errnoOf(::GetLastError())));
        at += written;
    }
    return ok();
}

// Through the system's own call, after whatever the C library still holds:
// its error says why (a pipe whose reader went away is ERROR_NO_DATA, which
// the C library would report only as EINVAL).
Status writeBytes(std::FILE* stream, HANDLE handle, std::string_view text)
{
    if (std::fflush(stream) != 0)
        return unexpected(Failure::of(FailureCause::CannotWrite, errno != 0 ? errno : EIO));
    while (!text.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(handle, text.data(), piece, &written, nullptr) || written == 0)
            return unexpected(Failure::of(FailureCause::CannotWrite, errnoOf(::GetLastError())));
        text.remove_prefix(written);
    }
    return ok();
}

bool enableTerminalSequences(HANDLE console)
{
    DWORD mode = 0;
    if (!::GetConsoleMode(console, &mode))
        return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0
           || ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

} // namespace

void prepareStandardStreams()
{
    for (std::FILE* stream : {stdout, stderr}) {
        if (!isConsole(handleOf(stream)))
            ::_setmode(::_fileno(stream), _O_BINARY);
    }
}

bool isTerminal(std::FILE* stream)
{
    const HANDLE handle = handleOf(stream);
    return isConsole(handle) && enableTerminalSequences(handle);
}

Status writeUtf8(std::FILE* stream, std::string_view text)
{
    const HANDLE handle = handleOf(stream);
    if (handle == INVALID_HANDLE_VALUE)
        return unexpected(Failure::of(FailureCause::CannotWrite, EBADF));
    if (!isConsole(handle))
        return writeBytes(stream, handle, text);
    // Whatever the C library still holds goes first, so the order stays.
    std::fflush(stream);
    return writeToConsole(handle, text);
}

} // namespace pellora
