#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Paths as the user types them and the settings file holds them (UTF-8
// text), and as the system takes them (native bytes). This is the one place
// that turns one into the other.
namespace pellora::pathText {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The folder with the platform's separator at its end, added only when missing.
std::string withTrailingSeparator(std::string_view folder);

// "~" alone or at the start of "~/..." stands for the home folder, as in
// every other tool here; any other text comes back as it is. (Windows has no
// such notation.)
std::string withHomeExpanded(std::string_view folder);

// The home folder as text: $HOME, or the root folder without one, cleaned
// as below.
std::string homeFolder();

// The text without "." and ".." parts, doubled separators or a separator at
// its end (the root keeps its own).
std::string cleaned(std::string_view text);

// UTF-8 text, or on Linux any bytes, as a path: on Linux the same bytes,
// on Windows the same characters in UTF-16.
std::filesystem::path toPath(std::string_view text);
// The path as bytes that toPath turns back into it, for a name kept in a
// file or a listing: the system's own bytes on Linux, UTF-8 on Windows
// (where only half of a surrogate pair cannot come back).
std::string toBytes(const std::filesystem::path& path);
// A name whose bytes are not UTF-8 comes back with U+FFFD for each stray
// byte, so the text is always UTF-8; toPath of it then names another file.
std::string toText(const std::filesystem::path& path);

} // namespace pellora::pathText
