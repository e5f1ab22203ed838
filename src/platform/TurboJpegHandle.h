#pragma once

#include <turbojpeg.h>

namespace pellora {

// Owns one TurboJPEG compressor. A handle keeps its own error text and must
// not be shared between threads, so each worker holds its own.
class TurboJpegHandle {
public:
    TurboJpegHandle() : handle_(tjInitCompress()) {}
    ~TurboJpegHandle()
    {
        if (handle_)
            tjDestroy(handle_);
    }
    TurboJpegHandle(const TurboJpegHandle&) = delete;
    TurboJpegHandle& operator=(const TurboJpegHandle&) = delete;

    bool valid() const { return handle_ != nullptr; }
    tjhandle get() const { return handle_; }

private:
    tjhandle handle_;
};

} // namespace pellora
