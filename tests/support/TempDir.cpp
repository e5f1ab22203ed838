#include "support/TempDir.h"

#include "platform/text/PathText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

namespace pellora::test {

namespace {

#ifdef _WIN32
// A crash in any thread of a test program, even one that nobody joins any
// more, fails the program: otherwise the debugger Wine starts for it reports
// it and the program may still end with 0.
LONG WINAPI failTheProgram(EXCEPTION_POINTERS*)
{
    std::fputs("a thread crashed\n", stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
const LPTOP_LEVEL_EXCEPTION_FILTER crashesFailThePrograms = ::SetUnhandledExceptionFilter(failTheProgram);

// Windows' C library has no mkdtemp: a random name, made only if nobody has it.
std::filesystem::path makeUniqueFolder(const std::filesystem::path& parent)
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path folder = parent / ("pellora-test-" + std::to_string(random() % 1000000000));
        std::error_code error;
        if (std::filesystem::create_directory(folder, error))
            return folder;
    }
    throw std::runtime_error("cannot make a temporary folder");
}
#else
std::filesystem::path makeUniqueFolder(const std::filesystem::path& parent)
{
    std::string pattern = (parent / "pellora-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}
#endif

} // namespace

TempDir::TempDir() : path_(makeUniqueFolder(std::filesystem::temp_directory_path())) {}

std::filesystem::path TempDir::operator/(const std::string& name) const
{
    return path_ / pathText::toPath(name);
}

TempDir::~TempDir()
{
    removeEverything(path_);
}

void removeEverything(const std::filesystem::path& path)
{
    std::error_code ignored;
    // Tests leave folders without permissions and read-only files behind
    // (which Windows will not delete); give them back first.
    for (auto it = std::filesystem::recursive_directory_iterator(path, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path, ignored);
}

std::vector<unsigned char> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + pathText::toText(path));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + pathText::toText(path));
}

std::string readText(const std::filesystem::path& path)
{
    auto bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
}

std::vector<std::string> listNames(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(pathText::toBytes(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace pellora::test
