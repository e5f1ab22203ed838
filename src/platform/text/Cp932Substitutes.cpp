#include "platform/text/Cp932Substitutes.h"

#include "platform/text/Utf8.h"

namespace pellora::cp932 {

// A character the code page lacks goes as a whole. So does a sequence that is
// not UTF-8 but has the shape of one, such as half of a surrogate pair written
// as UTF-8, so it too costs one substitute; the bytes after it that could not
// belong to it stay.
std::size_t unencodableLength(std::string_view rest)
{
    if (rest.empty())
        return 0;
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

std::size_t undecodableLength(std::string_view rest)
{
    return rest.empty() ? 0 : 1;
}

} // namespace pellora::cp932
