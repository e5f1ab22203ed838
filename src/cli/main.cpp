#include "cli/CliApp.h"
#include "platform/io/StandardDescriptors.h"
#include "platform/io/StopSignals.h"
#include "platform/io/WriteSignals.h"
#include "platform/text/Cp932.h"
#include "settings/SettingsLocation.h"

#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

namespace {

// The folder that holds the running executable (not the current folder): a
// copy of the program in any folder keeps its settings file beside itself.
std::filesystem::path programFolder()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path(error);
    return executable.parent_path();
}

} // namespace

int main(int argc, char** argv)
{
    if (!pellora::ensureStandardDescriptorsOpen())
        return pellora::CliApp::UsageOrFolderProblem;
    if (!pellora::cp932::available()) {
        std::fprintf(stderr, "pellora-cli: %s\n", pellora::cp932::kUnavailableMessage);
        return pellora::CliApp::UsageOrFolderProblem;
    }
    pellora::ignoreWriteSignals();
    // Ctrl+C, SIGTERM and SIGHUP end the run at its next file, through its
    // end line, with every file either committed or untouched.
    const pellora::StopSignals stopSignals;
    // Taken as UTF-8, the text of every locale the program supports; a folder
    // named in other bytes still reaches the system as those bytes.
    const std::vector<std::string> arguments(argv + 1, argv + argc);

    pellora::CliApp cli(stdout, stderr, pellora::SettingsLocation::find(programFolder()).file());
    return cli.run(arguments);
}
