#include "platform/text/IconvHandle.h"

namespace pellora {

IconvHandle::IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}

IconvHandle::~IconvHandle()
{
    if (valid())
        iconv_close(handle_);
}

void IconvHandle::reset() const
{
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
}

} // namespace pellora
