#pragma once

#include <QString>
#include <filesystem>

// Paths as the user types them and the settings file holds them (text), and
// as the system takes them (native bytes).
namespace pellora::pathText {

#ifdef _WIN32
constexpr char16_t kSeparator = u'\\';
#else
constexpr char16_t kSeparator = u'/';
#endif

// The folder with the platform's separator at its end, added only when missing.
QString withTrailingSeparator(const QString& folder);
// "~" alone or at the start of "~/..." stands for the home folder, as in
// every other tool here; any other text comes back as it is. (Windows has no
// such notation.)
QString withHomeExpanded(const QString& folder);

std::filesystem::path toPath(const QString& text);
QString toText(const std::filesystem::path& path);

} // namespace pellora::pathText
