#pragma once

#include <iconv.h>

#include <string>

namespace pellora {

// Owns one iconv conversion descriptor. A descriptor keeps shift state, so it
// is used by one thread at a time; callers make their own.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from);
    ~IconvHandle();
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }
    void reset() const;

private:
    iconv_t handle_;
};

} // namespace pellora
