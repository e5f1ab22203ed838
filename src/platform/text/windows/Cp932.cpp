#include "platform/text/Cp932.h"

#include "platform/text/Cp932Substitutes.h"
#include "platform/text/Utf8.h"

#include <windows.h>

#include <optional>

// Windows' own table of code page 932, one character at a time, strictly: no
// best-fit guesses, and every character it lacks or byte it cannot decode
// found and replaced here. Where Windows' table and glibc's CP932 differ,
// this follows glibc, so the log and the settings file hold the same bytes
// whichever build wrote them.
namespace pellora::cp932 {

namespace {

constexpr UINT kCodePage = 932;

struct ExtraMapping {
    char32_t codePoint;
    std::string_view bytes;
};
// glibc writes these too, as the JIS characters they stand for in Shift_JIS
// (the yen sign and the overline share their bytes with the backslash and
// the tilde; the wave dash, the em dash, the double vertical line, the minus
// sign, the cent, pound and not signs with their full-width forms); Windows'
// table has them only as best-fit guesses.
constexpr ExtraMapping kExtraMappings[] = {
    {0x00A2, "\x81\x91"}, {0x00A3, "\x81\x92"}, {0x00A5, "\x5C"},     {0x00AC, "\x81\xCA"}, {0x2014, "\x81\x5C"},
    {0x2016, "\x81\x61"}, {0x203E, "\x7E"},     {0x2212, "\x81\x7C"}, {0x301C, "\x81\x60"},
};

// Windows' table holds these single bytes (and the characters they stand
// for), glibc's does not: both treat them as not code page 932.
bool isSingleByteGlibcLacks(unsigned char byte)
{
    return byte == 0x80 || byte == 0xA0 || byte >= 0xFD;
}
bool isCharacterGlibcLacks(char32_t c)
{
    return c == 0x80 || (c >= 0xF8F0 && c <= 0xF8F3);
}

// Unicode's language tags: glibc drops them without a substitute.
bool isTagCharacter(char32_t c)
{
    return c >= 0xE0000 && c <= 0xE007F;
}

std::optional<std::string> windowsBytesOf(char32_t c)
{
    std::string utf8Text;
    utf8::append(utf8Text, c);
    const std::u16string units = utf8::toUtf16(utf8Text);
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int written = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, reinterpret_cast<LPCWCH>(units.data()),
                                              static_cast<int>(units.size()), bytes, sizeof bytes, nullptr,
                                              &usedDefault);
    if (written <= 0 || usedDefault)
        return std::nullopt;
    return std::string(bytes, static_cast<std::size_t>(written));
}

std::optional<std::string> bytesOf(char32_t c)
{
    if (c < 0x80)
        return std::string(1, static_cast<char>(c));
    if (isTagCharacter(c))
        return std::string();
    for (const ExtraMapping& extra : kExtraMappings) {
        if (extra.codePoint == c)
            return std::string(extra.bytes);
    }
    if (isCharacterGlibcLacks(c))
        return std::nullopt;
    return windowsBytesOf(c);
}

// The UTF-8 text of the character `length` bytes at the start of `bytes`
// stand for, or nothing when they are none.
std::optional<std::string> characterOf(std::string_view bytes, std::size_t length)
{
    wchar_t units[2];
    const int count = ::MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(length),
                                            units, 2);
    if (count <= 0)
        return std::nullopt;
    return utf8::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(units), static_cast<std::size_t>(count)));
}

// The character at the start of `rest` and the bytes it takes, or nothing.
std::optional<std::string> decodeFirst(std::string_view rest, std::size_t& length)
{
    const auto lead = static_cast<unsigned char>(rest[0]);
    length = 1;
    if (lead < 0x80)
        return std::string(1, rest[0]);
    if (isSingleByteGlibcLacks(lead))
        return std::nullopt;
    if (::IsDBCSLeadByteEx(kCodePage, lead)) {
        if (rest.size() < 2)
            return std::nullopt;
        length = 2;
    }
    return characterOf(rest, length);
}

} // namespace

bool available()
{
    return ::IsValidCodePage(kCodePage) != 0;
}

Expected<std::string, Failure> encode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const utf8::Sequence sequence = utf8::first(text);
        const std::optional<std::string> bytes = sequence.wellFormed ? bytesOf(sequence.codePoint) : std::nullopt;
        if (bytes) {
            out += *bytes;
            text.remove_prefix(sequence.length);
        } else {
            out += kSubstitute;
            text.remove_prefix(unencodableLength(text));
        }
    }
    return out;
}

Expected<std::string, Failure> decode(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    while (!bytes.empty()) {
        std::size_t length = 1;
        if (const std::optional<std::string> character = decodeFirst(bytes, length)) {
            out += *character;
            bytes.remove_prefix(length);
        } else {
            out += kSubstitute;
            bytes.remove_prefix(undecodableLength(bytes));
        }
    }
    return out;
}

} // namespace pellora::cp932
