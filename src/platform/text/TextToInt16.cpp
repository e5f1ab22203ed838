#include "platform/text/TextToInt16.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <string>

namespace pellora {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Copies a well-formed number into ASCII for from_chars, or gives nothing when the
// text is not one number as a whole.
std::optional<std::string> asciiNumber(std::string_view text)
{
    size_t i = 0, end = text.size();
    while (i < end && isBlank(text[i])) ++i;
    while (end > i && isBlank(text[end - 1])) --end;

    std::string ascii;
    if (i < end && (text[i] == '+' || text[i] == '-'))
        ascii += text[i++];
    int mantissaDigits = 0;
    while (i < end && isDigit(text[i])) { ascii += text[i++]; ++mantissaDigits; }
    if (i < end && text[i] == '.') {
        ascii += text[i++];
        while (i < end && isDigit(text[i])) { ascii += text[i++]; ++mantissaDigits; }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ascii += 'e';
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-'))
            ascii += text[i++];
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) { ascii += text[i++]; ++exponentDigits; }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    return ascii;
}

} // namespace

std::optional<std::int16_t> textToInt16(std::string_view text)
{
    const std::optional<std::string> ascii = asciiNumber(text);
    if (!ascii)
        return std::nullopt;
    // from_chars, unlike strtod, ignores the process locale (a window sets it
    // from the environment, and some locales write the decimal point as ',').
    double value = 0;
    const char* first = ascii->data();
    if (*first == '+')
        ++first; // from_chars takes a minus sign only
    const auto [end, error] = std::from_chars(first, ascii->data() + ascii->size(), value);
    if (error != std::errc() || end != ascii->data() + ascii->size() || !std::isfinite(value))
        return std::nullopt;
    // nearbyint honours the current rounding mode, which is to-nearest-even
    // unless someone changed it; make sure of it for this one call.
    const int previousMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previousMode);
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

} // namespace pellora
