#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pellora::fuzz {

// Checks the code page 932 codec both ways on arbitrary bytes: text decoded
// from any bytes encodes to bytes that decode to the same text; and any text
// (the input read as UTF-8) survives encode-then-decode character by
// character, each character the codec cannot hold becoming the substitute.
class Cp932RoundTripCheck {
public:
    // The first broken invariant, or nothing.
    static std::optional<std::string> run(std::span<const std::uint8_t> input);
};

} // namespace pellora::fuzz
