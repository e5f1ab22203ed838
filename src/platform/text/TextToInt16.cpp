#include "platform/text/TextToInt16.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <string>

namespace pellora {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Copies a well-formed number into ASCII for from_chars, or gives nothing when the
// text is not one number as a whole.
std::optional<std::string> asciiNumber(const QString& text)
{
    qsizetype i = 0, end = text.size();
    while (i < end && isBlank(text[i])) ++i;
    while (end > i && isBlank(text[end - 1])) --end;

    std::string ascii;
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        ascii += static_cast<char>(text[i++].unicode());
    int mantissaDigits = 0;
    while (i < end && isDigit(text[i])) { ascii += static_cast<char>(text[i++].unicode()); ++mantissaDigits; }
    if (i < end && text[i] == u'.') {
        ascii += text[i++].toLatin1();
        while (i < end && isDigit(text[i])) { ascii += static_cast<char>(text[i++].unicode()); ++mantissaDigits; }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ascii += 'e';
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            ascii += static_cast<char>(text[i++].unicode());
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) { ascii += static_cast<char>(text[i++].unicode()); ++exponentDigits; }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    return ascii;
}

} // namespace

std::optional<std::int16_t> textToInt16(const QString& text)
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
