// Loaded ahead of the C library (LD_PRELOAD), this makes a program see a
// system whose iconv has no code page 932, as glibc has when its gconv
// modules are missing: opening a conversion to or from CP932 fails with
// EINVAL, every other conversion is the C library's own.
#include <dlfcn.h>
#include <iconv.h>
#include <strings.h>

#include <cerrno>

namespace {

bool namesCodePage932(const char* charset)
{
    return charset != nullptr && ::strncasecmp(charset, "CP932", 5) == 0;
}

} // namespace

extern "C" iconv_t iconv_open(const char* to, const char* from)
{
    if (namesCodePage932(to) || namesCodePage932(from)) {
        errno = EINVAL;
        return reinterpret_cast<iconv_t>(-1);
    }
    using Open = iconv_t (*)(const char*, const char*);
    static const auto realOpen = reinterpret_cast<Open>(::dlsym(RTLD_NEXT, "iconv_open"));
    return realOpen(to, from);
}
