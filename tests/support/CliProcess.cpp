#include "support/CliProcess.h"

#include "support/TempDir.h"

#include <cstdlib>
#include <thread>

namespace pellora::test {

std::optional<std::filesystem::path> CliProcess::program()
{
    const char* build = std::getenv("PELLORA_BUILD_DIR");
    if (!build || !*build)
        build = PELLORA_DEFAULT_BUILD_DIR;
#ifdef _WIN32
    const auto path = std::filesystem::path(build) / "pellora-cli.exe";
#else
    const auto path = std::filesystem::path(build) / "pellora-cli";
#endif
    if (!std::filesystem::exists(path))
        return std::nullopt;
    return path;
}

CliProcess::CliProcess(const std::vector<std::string>& arguments, const std::filesystem::path& outputFile,
                       ClosedStreams closed)
    : CliProcess(arguments, outputFile, ChildSetup{closed, {}, {}, false})
{
}

bool waitForText(const std::filesystem::path& file, const std::string& text, std::chrono::duration<double> limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::error_code error;
        if (std::filesystem::exists(file, error) && readText(file).find(text) != std::string::npos)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace pellora::test
