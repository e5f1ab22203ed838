#include "platform/text/Cp932.h"

#include "platform/text/Cp932Substitutes.h"
#include "platform/text/posix/IconvConverter.h"

namespace pellora::cp932 {

namespace {

// glibc's name for the code page: Windows' own table, with the few extra
// mappings from Unicode (U+00A5, U+203E, U+2014) that the Windows build
// repeats so both write the same bytes.
constexpr const char* kCodePage = "CP932";
constexpr const char* kUtf8 = "UTF-8";

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
