#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pellora::fuzz {

// Decodes arbitrary bytes as a TGA file, from an in-memory file, and checks
// what a decoded picture must satisfy: the header's width × height pixels, the
// same outcome and pixels whatever the strip size (the smallest one makes
// every row cross strip boundaries), and mirrored or flipped pixels when only
// the origin bits of the header change.
class TgaDecodeCheck {
public:
    // The first broken invariant, or nothing.
    static std::optional<std::string> run(std::span<const std::uint8_t> input);
};

} // namespace pellora::fuzz
