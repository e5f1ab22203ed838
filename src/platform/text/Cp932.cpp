#include "platform/text/Cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace pellora::cp932 {

namespace {

// Owns one iconv conversion descriptor. A descriptor keeps shift state, so
// each conversion opens its own and no two threads share one.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (valid())
            iconv_close(handle_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }
    void reset() const { iconv(handle_, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t handle_;
};

// Length of the UTF-8 sequence that starts with this byte; 1 for a stray byte,
// so that skipping an unconvertible sequence always makes progress.
size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC2 && lead < 0xE0) return 2;
    return 1;
}

// Runs iconv over the whole input. At a sequence it cannot convert it writes
// `substitute` and skips `skipLength(first byte)` input bytes.
template <typename SkipLength>
std::string convert(const IconvHandle& cd, std::string_view input, std::string_view substitute,
                    SkipLength skipLength)
{
    if (!cd.valid())
        throw std::runtime_error("iconv: code page 932 is not available");
    std::string out;
    out.reserve(input.size() * 3 / 2 + 8);
    char buffer[1024];
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (a sequence cut off at the end): substitute it.
        out.append(substitute);
        size_t skip = std::min(inLeft, skipLength(static_cast<unsigned char>(*in)));
        in += skip;
        inLeft -= skip;
        cd.reset();
    }
    return out;
}

} // namespace

std::string encode(const QString& text)
{
    const IconvHandle cd("CP932", "UTF-8");
    const QByteArray utf8 = text.toUtf8();
    return convert(cd, std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())),
                   std::string_view(&kSubstitute, 1), utf8SequenceLength);
}

QString decode(std::string_view bytes)
{
    const IconvHandle cd("UTF-8", "CP932");
    // An undecodable byte pair is dropped one byte at a time: the second byte
    // may be a valid character of its own.
    const std::string utf8 = convert(cd, bytes, std::string_view(&kSubstitute, 1),
                                     [](unsigned char) { return size_t{1}; });
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace pellora::cp932
