#pragma once

#include "platform/Expected.h"

#include <windows.h>

#include <filesystem>
#include <string>

// Where a name looked up from an open folder leads, in the form the wide
// calls take. Windows' calls take paths, not a folder and a name; so a name
// is resolved against the path the folder's handle has now (which the
// backend keeps from changing while it holds the folder: see
// WindowsFileSystem), and given verbatim ("\\?\C:\...") so that the system
// neither shortens it at 260 characters nor reads a device into it.
namespace pellora::windowsPath {

// The path of `name` from `folder` (nullptr: the working folder, as any
// program's relative paths are), or the error number why there is none:
// EINVAL for a name no file may have (a stream "a:b", a device "CON", a
// character Windows forbids), ENOENT for an empty one.
Expected<std::wstring, int> resolve(HANDLE folder, const std::filesystem::path& name);

// The path an open handle has now, verbatim.
Expected<std::wstring, int> finalPathOf(HANDLE handle);

// Whether every name after the root of `full` (a full path as
// GetFullPathNameW gives it) could be a file's: no stream, no wildcard, no
// control character.
bool namesAllowed(std::wstring_view full);

} // namespace pellora::windowsPath
