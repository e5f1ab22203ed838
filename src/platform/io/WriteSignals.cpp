#include "platform/io/WriteSignals.h"

#include <csignal>

namespace pellora {

void ignoreWriteSignals()
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

} // namespace pellora
