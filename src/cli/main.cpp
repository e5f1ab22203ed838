#include "cli/CliApp.h"
#include "cli/CliMessages.h"
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
    const auto messages = pellora::CliMessages::fromEnvironment();
    if (!pellora::cp932::available()) {
        const std::string line = messages(pellora::CliText::UsageProblem, {messages(pellora::CliText::CodePage932Missing)});
        std::fputs(line.c_str(), stderr);
        return pellora::CliApp::UsageOrFolderProblem;
    }
    pellora::ignoreWriteSignals();
    // Ctrl+C, SIGTERM and SIGHUP end the run at its next file, through its
    // end line, with every file either committed or untouched.
    const pellora::StopSignals stopSignals;
    // The arguments' bytes as given: a folder's name need not be UTF-8.
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);

    pellora::CliApp cli(stdout, stderr, pellora::SettingsLocation::find(programFolder()).file(), messages);
    cli.setStopWake(stopSignals.wakeDescriptor());
    return cli.run(arguments);
}
