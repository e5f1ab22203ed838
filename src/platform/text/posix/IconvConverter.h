#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace pellora {

// One conversion of the C library's iconv, from one encoding to another. It
// keeps shift state between calls, so a converter serves one thread and one
// text at a time.
class IconvConverter {
public:
    // What to skip of the rest of the input, at least one byte, when its start
    // cannot be converted.
    using SkipLength = std::size_t (*)(std::string_view rest);

    // The names are iconv's ("CP932", "UTF-8", "UTF-16LE"). A C library
    // without a converter between the two (no gconv modules) gives a Failure
    // here, never later.
    static Expected<IconvConverter, Failure> open(const char* to, const char* from);

    IconvConverter(IconvConverter&& other) noexcept;
    IconvConverter& operator=(IconvConverter&& other) noexcept;
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;
    ~IconvConverter();

    // All of `input`; where a sequence cannot be converted, `substitute`
    // takes its place and the conversion goes on after `skip(rest)` bytes.
    std::string convert(std::string_view input, std::string_view substitute, SkipLength skip);

private:
    using Handle = void*; // iconv_t, kept out of this header
    explicit IconvConverter(Handle handle) : handle_(handle) {}
    void reset();

    Handle handle_;
};

} // namespace pellora
