#include "cli/Terminal.h"

#include <cerrno>
#include <unistd.h>

namespace pellora {

void prepareStandardStreams() {}

bool isTerminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

Status writeUtf8(std::FILE* stream, std::string_view text)
{
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    const bool flushed = std::fflush(stream) == 0;
    if (written && flushed)
        return ok();
    return unexpected(Failure::of(FailureCause::CannotWrite, errno != 0 ? errno : EIO));
}

} // namespace pellora
