#include "platform/text/Utf8.h"

namespace pellora::utf8 {

namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// How many bytes a sequence with this first byte takes, and the smallest code
// point it may carry (a smaller one is overlong); zero for a byte that begins
// none.
struct Lead {
    std::size_t length;
    char32_t smallest;
    char32_t bits;
};

Lead leadOf(unsigned char byte)
{
    if (byte < 0x80) return {1, 0, byte};
    if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80, byte & 0x1Fu};
    if (byte >= 0xE0 && byte <= 0xEF) return {3, 0x800, byte & 0x0Fu};
    if (byte >= 0xF0 && byte <= 0xF4) return {4, 0x10000, byte & 0x07u};
    return {0, 0, 0};
}

} // namespace

Sequence first(std::string_view text)
{
    if (text.empty())
        return {};
    const Sequence stray{0, 1, false};
    const Lead lead = leadOf(static_cast<unsigned char>(text[0]));
    if (lead.length == 0 || text.size() < lead.length)
        return stray;
    char32_t codePoint = lead.bits;
    for (std::size_t i = 1; i < lead.length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!isContinuation(byte))
            return stray;
        codePoint = codePoint << 6 | (byte & 0x3Fu);
    }
    if (codePoint < lead.smallest || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        return stray;
    return {codePoint, lead.length, true};
}

bool isWellFormed(std::string_view text)
{
    while (!text.empty()) {
        const Sequence sequence = first(text);
        if (!sequence.wellFormed)
            return false;
        text.remove_prefix(sequence.length);
    }
    return true;
}

std::string wellFormed(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        const Sequence sequence = first(bytes);
        if (sequence.wellFormed)
            text.append(bytes.substr(0, sequence.length));
        else
            text.append(kReplacement);
        bytes.remove_prefix(sequence.length);
    }
    return text;
}

void append(std::string& out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | codePoint >> 6);
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | codePoint >> 12);
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | codePoint >> 18);
        out += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::u16string toUtf16(std::string_view text)
{
    std::u16string units;
    units.reserve(text.size());
    while (!text.empty()) {
        const Sequence sequence = first(text);
        const char32_t codePoint = sequence.wellFormed ? sequence.codePoint : 0xFFFD;
        if (codePoint > 0xFFFF) {
            units += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(codePoint);
        }
        text.remove_prefix(sequence.length);
    }
    return units;
}

std::string fromUtf16(std::u16string_view units)
{
    std::string text;
    text.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        if (isHighSurrogate(unit) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
            append(text, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{units[i + 1]} - 0xDC00));
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            text += '?';
        } else {
            append(text, unit);
        }
    }
    return text;
}

bool isWellFormed(std::u16string_view units)
{
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (isHighSurrogate(units[i]) && i + 1 < units.size() && isLowSurrogate(units[i + 1]))
            ++i;
        else if (isHighSurrogate(units[i]) || isLowSurrogate(units[i]))
            return false;
    }
    return true;
}

} // namespace pellora::utf8
