#include "platform/text/Cp932.h"

#include "platform/text/IconvConverter.h"
#include "platform/text/Utf8.h"

namespace pellora::cp932 {

namespace {

constexpr const char* kCodePage = "CP932";
constexpr const char* kUtf8 = "UTF-8";

// A character the code page lacks goes as a whole. So does a sequence that is
// not UTF-8 but has the shape of one, such as half of a surrogate pair written
// as UTF-8, so it too costs one substitute; the bytes after it that could not
// belong to it stay.
std::size_t unencodableLength(std::string_view rest)
{
    const utf8::Sequence sequence = utf8::first(rest);
    if (sequence.wellFormed)
        return sequence.length;
    const auto lead = static_cast<unsigned char>(rest[0]);
    const std::size_t shaped = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    std::size_t length = 1;
    while (length < shaped && length < rest.size() && (static_cast<unsigned char>(rest[length]) & 0xC0) == 0x80)
        ++length;
    return length;
}

// An undecodable byte pair is dropped one byte at a time: the second byte may
// be a valid character of its own.
std::size_t undecodableLength(std::string_view) { return 1; }

Expected<std::string, Failure> convert(const char* to, const char* from, std::string_view input,
                                       IconvConverter::SkipLength skip)
{
    // A converter keeps shift state, so each conversion opens its own and no
    // two threads share one.
    auto converter = IconvConverter::open(to, from);
    if (!converter)
        return unexpected(converter.error());
    return converter->convert(input, std::string_view(&kSubstitute, 1), skip);
}

} // namespace

bool available()
{
    return IconvConverter::open(kCodePage, kUtf8).has_value() && IconvConverter::open(kUtf8, kCodePage).has_value();
}

Expected<std::string, Failure> encode(std::string_view text)
{
    return convert(kCodePage, kUtf8, text, unencodableLength);
}

Expected<std::string, Failure> decode(std::string_view bytes)
{
    return convert(kUtf8, kCodePage, bytes, undecodableLength);
}

} // namespace pellora::cp932
