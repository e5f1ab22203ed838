#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pellora::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // `name` as UTF-8 text (on Linux any bytes), as pathText::toPath reads it.
    std::filesystem::path operator/(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Small file helpers for tests.
std::vector<unsigned char> readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);
std::string readText(const std::filesystem::path& path);
// `path` and everything in it, read-only files and closed folders included.
void removeEverything(const std::filesystem::path& path);
// Names in a folder, sorted: on Linux their bytes, on Windows UTF-8.
std::vector<std::string> listNames(const std::filesystem::path& folder);

} // namespace pellora::test
