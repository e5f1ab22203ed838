#pragma once

#include <QString>
#include <filesystem>

namespace pellora {

// Folder paths as the user types them (text) and as the system takes them.
class FolderText {
public:
#ifdef _WIN32
    static constexpr char16_t kSeparator = u'\\';
#else
    static constexpr char16_t kSeparator = u'/';
#endif

    // The folder with the platform's separator at its end, added only when missing.
    static QString withTrailingSeparator(const QString& folder);
    // "~" alone or at the start of "~/..." stands for the home folder, as in
    // every other tool here; any other text comes back as it is. (Windows
    // has no such notation.)
    static QString withHomeExpanded(const QString& folder);
    // Native path bytes for a text the user typed or the settings file held.
    static std::filesystem::path toPath(const QString& text);
    // A file name's text as the list and the log show it.
    static QString nameOf(const std::filesystem::path& path);
};

} // namespace pellora
