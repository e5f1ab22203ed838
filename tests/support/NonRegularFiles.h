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

// "regular", "folder", "fifo", "socket", "char", "block", "link" or "missing";
// a link is not followed.
std::string kindOf(const std::filesystem::path& path);

// Runs `action` in a child process and tells whether it ended within `limit`
// without throwing; a child still running then is killed. For code that might
// block for ever. (Windows has no fork: there a thread runs it, and is left
// behind when it blocks.)
bool endsWithin(std::chrono::duration<double> limit, const std::function<void()>& action);

} // namespace pellora::test
