#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace pellora {

// Converts text to a signed 16-bit integer the way the Windows runtime's
// text-to-Integer conversion does: surrounding blanks, an optional sign,
// digits with an optional decimal fraction (rounded half to even) and an
// optional exponent. Serial numbers in file names and stored numbers in the
// settings file are read with it. Nothing for text that does not convert as a
// whole or lies outside -32768..32767.
std::optional<std::int16_t> textToInt16(const QString& text);

} // namespace pellora
