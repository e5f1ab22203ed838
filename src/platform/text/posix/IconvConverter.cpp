#include "platform/text/posix/IconvConverter.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace pellora {

namespace {

constexpr void* kClosed = nullptr;

iconv_t descriptorOf(void* handle) { return static_cast<iconv_t>(handle); }

bool isOpen(void* handle) { return handle != kClosed && descriptorOf(handle) != reinterpret_cast<iconv_t>(-1); }

} // namespace

Expected<IconvConverter, Failure> IconvConverter::open(const char* to, const char* from)
{
    const iconv_t descriptor = ::iconv_open(to, from);
    if (descriptor == reinterpret_cast<iconv_t>(-1))
        return unexpected(Failure::of(FailureCause::Unexpected, errno));
    return IconvConverter(static_cast<Handle>(descriptor));
}

IconvConverter::IconvConverter(IconvConverter&& other) noexcept : handle_(std::exchange(other.handle_, kClosed)) {}

IconvConverter& IconvConverter::operator=(IconvConverter&& other) noexcept
{
    if (this != &other) {
        if (isOpen(handle_))
            ::iconv_close(descriptorOf(handle_));
        handle_ = std::exchange(other.handle_, kClosed);
    }
    return *this;
}

IconvConverter::~IconvConverter()
{
    if (isOpen(handle_))
        ::iconv_close(descriptorOf(handle_));
}

void IconvConverter::reset()
{
    ::iconv(descriptorOf(handle_), nullptr, nullptr, nullptr, nullptr);
}

std::string IconvConverter::convert(std::string_view input, std::string_view substitute, SkipLength skip)
{
    std::string out;
    out.reserve(input.size() * 3 / 2 + 8);
    char buffer[1024];
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = ::iconv(descriptorOf(handle_), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        // EILSEQ, or EINVAL for a sequence cut off at the end: substitute it.
        out.append(substitute);
        const size_t skipped = std::clamp<size_t>(skip(std::string_view(in, inLeft)), 1, inLeft);
        in += skipped;
        inLeft -= skipped;
        reset();
    }
    reset();
    return out;
}

} // namespace pellora
