#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"

#include <string>
#include <string_view>

// Code page 932 (Shift_JIS as Windows defines it) is the byte form of the two
// text files we share with the Windows tool: the log and the settings file.
// Text on the other side is UTF-8.
namespace pellora::cp932 {

// What a character that code page 932 cannot hold becomes: '?', which is
// also what Windows writes for such a character in this code page.
constexpr char kSubstitute = '?';

// Whether this system converts code page 932 at all. A C library without its
// conversion modules does not; then neither the log nor the settings can be
// written as the Windows tool reads them, and both programs say so at start.
bool available();
// What both programs say then, after their name.
constexpr const char* kUnavailableMessage =
    "this system cannot convert text to code page 932 (Shift_JIS), in which the log and the settings file are "
    "written; install the C library's character conversion modules (gconv)";

// One kSubstitute for each character the code page lacks and for each
// ill-formed sequence of the UTF-8 text.
Expected<std::string, Failure> encode(std::string_view text);
// One kSubstitute for each byte that does not start a character.
Expected<std::string, Failure> decode(std::string_view bytes);

} // namespace pellora::cp932
