#pragma once

namespace pellora::test {

// The test binary started with this as its first argument opens the real
// folder picker twice in a fresh process and prints what each one showed,
// so a test can watch what the picker reads and writes outside the program.
inline constexpr const char* kOpenPickerTwice = "--open-picker-twice";

// Runs in that fresh process; its result is the process's exit status.
int openPickerTwice(const char* folderToChoose);

} // namespace pellora::test
