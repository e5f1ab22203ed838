#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pellora {

// Converts text to a signed 16-bit integer the way the Windows runtime's
// text-to-Integer conversion does: surrounding blanks, an optional sign,
// digits with an optional decimal fraction (rounded half to even) and an
// optional exponent. Serial numbers in file names and stored numbers in the
// settings file are read with it. Nothing for text that does not convert as a
// whole or lies outside -32768..32767. Only ASCII counts: any other
// character, full-width digits included, makes the text no number.
std::optional<std::int16_t> textToInt16(std::string_view text);

} // namespace pellora
