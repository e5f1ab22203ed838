#pragma once

#include "platform/Failure.h"

#include <cstdio>
#include <string_view>

// Where the command line's text goes: a terminal (on Windows a console
// window), or a file or a pipe that a script reads. The same UTF-8 bytes go
// to a file or a pipe on every system; a console on Windows is handed the
// text as characters, so Japanese shows whatever its code page.
namespace pellora {

// Once, before the first line: on Windows, files and pipes take the bytes
// as given (no line ends rewritten) and a console follows the terminal
// sequences the progress line uses.
void prepareStandardStreams();

// Whether `stream` shows on a terminal that can draw the progress line.
bool isTerminal(std::FILE* stream);

// Writes `text` (UTF-8) to a terminal or a pipe at once. On failure,
// CannotWrite with the system's error: EPIPE when nobody reads the pipe any more.
[[nodiscard]] Status writeUtf8(std::FILE* stream, std::string_view text);

} // namespace pellora
