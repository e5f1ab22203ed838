#pragma once

#include "settings/IniFile.h"
#include "support/TempDir.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace pellora::test {

// A settings file path in a fresh folder, and byte-level access to it.
class SettingsTestFile {
public:
    std::filesystem::path path() const { return dir_ / "Pellora.ini"; }
    const std::filesystem::path& folder() const { return dir_.path(); }

    void write(const std::string& bytes) const { writeBytes(path(), {bytes.begin(), bytes.end()}); }
    std::string read() const { return readText(path()); }

private:
    TempDir dir_;
};

// What a caller of one read gets: a file that cannot be read reads as
// having no values, as it does for the settings.
inline std::string valueIn(const IniFile& ini, std::string_view section, std::string_view key,
                           std::string_view fallback)
{
    const auto contents = ini.read();
    return contents ? contents->value(section, key, fallback) : std::string(fallback);
}

// One value in one write of the file.
inline Status writeOne(const IniFile& ini, std::string_view section, std::string_view key, std::string_view value)
{
    const IniFile::Entry entry{key, value};
    return ini.write(section, std::span(&entry, 1));
}

} // namespace pellora::test
