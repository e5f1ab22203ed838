#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pellora::fuzz {

// Converts arbitrary text (the input read as UTF-8) to a 16-bit integer and
// checks the result: never a wrapped or clamped value of a number outside
// -32768..32767, the same with blanks around the text, and for plain digit
// strings equal to exact integer arithmetic.
class SerialConversionCheck {
public:
    // The first broken invariant, or nothing.
    static std::optional<std::string> run(std::span<const std::uint8_t> input);
};

} // namespace pellora::fuzz
