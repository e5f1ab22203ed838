#include "platform/io/WriteSignals.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

namespace pellora {

void ignoreWriteSignals()
{
#ifdef _WIN32
    ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
#else
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
    ::sigaction(SIGPIPE, &ignore, nullptr);
#endif
}

} // namespace pellora
