#include "checks/Cp932RoundTripCheck.h"

#include "platform/text/Cp932.h"
#include "platform/text/Utf8.h"

#include <string_view>
#include <unordered_map>

namespace pellora::fuzz {

namespace {

std::string hexOf(std::string_view bytes)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += hex[c >> 4];
        out += hex[c & 15];
        out += ' ';
    }
    return out;
}

constexpr const char* kNoConverter = "code page 932 could not be converted at all";

// The text after encode and decode; nothing when either failed.
std::optional<std::string> roundTrip(std::string_view text)
{
    const auto encoded = cp932::encode(text);
    if (!encoded)
        return std::nullopt;
    const auto back = cp932::decode(*encoded);
    if (!back)
        return std::nullopt;
    return *back;
}

// What one character becomes after encode and decode: itself when the code
// page holds it. Remembered, since a fuzzer sees the same characters often.
std::optional<std::string> throughCodec(char32_t codePoint)
{
    static std::unordered_map<char32_t, std::optional<std::string>> seen;
    auto found = seen.find(codePoint);
    if (found != seen.end())
        return found->second;
    std::string text;
    utf8::append(text, codePoint);
    const auto back = roundTrip(text);
    seen.emplace(codePoint, back);
    return back;
}

std::optional<std::string> checkDecodedText(std::string_view bytes)
{
    const auto text = cp932::decode(bytes);
    if (!text)
        return kNoConverter;
    const auto again = roundTrip(*text);
    if (!again)
        return kNoConverter;
    if (*again != *text)
        return "bytes " + hexOf(bytes) + "decode to " + hexOf(*text) + "but after encode and decode to "
            + hexOf(*again);
    return std::nullopt;
}

std::optional<std::string> checkAnyText(std::string_view bytes)
{
    const std::string text = utf8::wellFormed(bytes);
    std::string expected;
    for (std::string_view rest = text; !rest.empty();) {
        const utf8::Sequence sequence = utf8::first(rest);
        const auto back = throughCodec(sequence.codePoint);
        if (!back)
            return kNoConverter;
        expected += *back;
        rest.remove_prefix(sequence.length);
    }
    const auto back = roundTrip(text);
    if (!back)
        return kNoConverter;
    if (*back != expected)
        return "text " + hexOf(text) + "came back as " + hexOf(*back) + "instead of " + hexOf(expected);
    return std::nullopt;
}

} // namespace

std::optional<std::string> Cp932RoundTripCheck::run(std::span<const std::uint8_t> input)
{
    const std::string_view bytes(reinterpret_cast<const char*>(input.data()), input.size());
    if (auto problem = checkDecodedText(bytes))
        return problem;
    return checkAnyText(bytes);
}

} // namespace pellora::fuzz
