#pragma once

#include "platform/io/windows/UniqueHandle.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>

// What another program (the game, a viewer, Explorer) does to our files,
// through Windows' own calls and not through our backend.
namespace pellora::test::otherProgram {

// How the game writes a screenshot: as fopen does, sharing reading and writing.
constexpr DWORD kLikeFopen = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Opens `path` with `access` and `share`; invalid on failure, with GetLastError() set.
UniqueHandle open(const std::filesystem::path& path, DWORD access, DWORD share,
                  DWORD disposition = OPEN_EXISTING);
// Writes all of `bytes` through `file` at its position.
bool write(HANDLE file, std::string_view bytes);
// The error of a move of `from` to `to`, 0 when it moved.
DWORD move(const std::filesystem::path& from, const std::filesystem::path& to, DWORD flags = 0);

} // namespace pellora::test::otherProgram
