#include "checks/SerialConversionCheck.h"

#include "platform/text/TextToInt16.h"

#include <algorithm>
#include <cmath>
#include <locale>
#include <sstream>
#include <string_view>

namespace pellora::fuzz {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string shown(const std::optional<std::int16_t>& value)
{
    return value ? std::to_string(*value) : std::string("nothing");
}

// Exact value of text that is blanks, an optional sign, ASCII digits and
// blanks; nothing for other text. Out of range is reported as such.
struct PlainNumber {
    bool plain = false;
    std::optional<std::int16_t> value;
};

PlainNumber plainNumber(std::string_view text)
{
    size_t i = 0, end = text.size();
    while (i < end && isBlank(text[i])) ++i;
    while (end > i && isBlank(text[end - 1])) --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == end)
        return {};
    std::int64_t magnitude = 0;
    for (; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return {};
        magnitude = std::min<std::int64_t>(magnitude * 10 + (text[i] - '0'), 1'000'000);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < -32768 || value > 32767)
        return {true, std::nullopt};
    return {true, static_cast<std::int16_t>(value)};
}

// The result's type keeps it inside -32768..32767 and the sanitizer catches
// an out-of-range cast; what is left to check is that it did not wrap or clamp:
// it lies within rounding of the number the text holds, read another way.
// The number the text holds as the C++ streams read it in the classic
// locale, surrounding white space allowed; nothing for anything else.
std::optional<double> streamNumber(std::string_view text)
{
    std::istringstream in{std::string(text)};
    in.imbue(std::locale::classic());
    double number = 0;
    in >> std::ws >> number;
    if (in.fail())
        return std::nullopt;
    in >> std::ws;
    if (!in.eof())
        return std::nullopt;
    return number;
}

std::optional<std::string> checkNearNumber(std::string_view text, const std::optional<std::int16_t>& value)
{
    if (!value)
        return std::nullopt;
    const auto number = streamNumber(text);
    if (number && std::fabs(*number - *value) > 0.5)
        return "'" + std::string(text) + "' holds " + std::to_string(*number) + " but converts to "
            + std::to_string(*value);
    return std::nullopt;
}

} // namespace

std::optional<std::string> SerialConversionCheck::run(std::span<const std::uint8_t> input)
{
    const std::string text(reinterpret_cast<const char*>(input.data()), input.size());
    const std::optional<std::int16_t> value = textToInt16(text);
    if (auto problem = checkNearNumber(text, value))
        return problem;
    const std::optional<std::int16_t> padded = textToInt16(" \t" + text + "\t ");
    if (padded != value)
        return "'" + text + "' converts to " + shown(value) + " but with blanks around to "
            + shown(padded);
    const PlainNumber reference = plainNumber(text);
    if (reference.plain && reference.value != value)
        return "'" + text + "' converts to " + shown(value) + ", exact arithmetic says "
            + shown(reference.value);
    return std::nullopt;
}

} // namespace pellora::fuzz
