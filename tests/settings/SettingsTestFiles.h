#pragma once

#include "support/TempDir.h"

#include <QString>
#include <filesystem>
#include <string>

namespace pellora::test {

// A settings file path in a fresh folder, and byte-level access to it.
class SettingsTestFile {
public:
    std::filesystem::path path() const { return dir_ / "Pellora.ini"; }
    QString name() const { return QString::fromStdString(path().string()); }
    const std::filesystem::path& folder() const { return dir_.path(); }

    void write(const std::string& bytes) const { writeBytes(path(), {bytes.begin(), bytes.end()}); }
    std::string read() const { return readText(path()); }

private:
    TempDir dir_;
};

} // namespace pellora::test
