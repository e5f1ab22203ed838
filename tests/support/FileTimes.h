#pragma once

#include <ctime>
#include <filesystem>

namespace pellora::test {

// A file's times to the nanosecond where the system keeps them (on Windows
// to 100 ns), for tests that put a file back as it was.
struct FileTimes {
    timespec accessed{};
    timespec modified{};
};

FileTimes fileTimes(const std::filesystem::path& path);
void setFileTimes(const std::filesystem::path& path, const FileTimes& times);

// Read-only as the user makes a file so: no write permission on Linux, the
// read-only attribute on Windows.
void makeReadOnly(const std::filesystem::path& path);

} // namespace pellora::test
