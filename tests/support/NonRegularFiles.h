#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace pellora::test {

// Things that are not regular files, put where the tool expects one. Each
// returns false when this machine does not let the test make it.
bool makeFifo(const std::filesystem::path& path);
bool makeSocket(const std::filesystem::path& path);
// A character device like /dev/null (needs the right to make device nodes).
bool makeCharDevice(const std::filesystem::path& path);
// A symbolic link at `link` to `target`, which need not exist (a folder's
// link when it is a folder). Windows makes them only in developer mode or
// for an administrator, Wine 8 not at all; std::filesystem cannot on Windows.
bool makeLink(const std::filesystem::path& target, const std::filesystem::path& link);
// Whether makeLink can make one here at all, tried once in a folder of its own.
bool linksCanBeMade();
// Why a test that needs a link did not run.
inline constexpr const char* kNoLinks = "this system makes no symbolic links for a test (Wine 8; Windows "
                                        "without developer mode)";

// "regular", "folder", "fifo", "socket", "char", "block", "link" or "missing";
// a link is not followed.
std::string kindOf(const std::filesystem::path& path);

// Runs `action` in a child process and tells whether it ended within `limit`
// without throwing; a child still running then is killed. For code that might
// block for ever. (Windows has no fork: there a thread runs it, and is left
// behind when it blocks.)
bool endsWithin(std::chrono::duration<double> limit, const std::function<void()>& action);

} // namespace pellora::test
