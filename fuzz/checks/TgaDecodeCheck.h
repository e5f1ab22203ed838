#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pellora::fuzz {

// Decodes arbitrary bytes as a TGA file and checks what a decoded picture must
// satisfy: the header's width × height pixels, every row readable inside the
// picture's storage or the input, and mirrored or flipped pixels when only the
// origin bits of the header change. The input is copied into a buffer of
// exactly its size first, so AddressSanitizer reports any read past its end.
class TgaDecodeCheck {
public:
    // The first broken invariant, or nothing.
    static std::optional<std::string> run(std::span<const std::uint8_t> input);
};

} // namespace pellora::fuzz
