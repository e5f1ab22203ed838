#include "cli/CliApp.h"
#include "platform/io/StandardDescriptors.h"
#include "platform/text/Cp932.h"
#include "settings/SettingsLocation.h"

#include <QStringList>
#include <csignal>
#include <cstdio>
#include <system_error>

namespace {

pellora::CliApp* app = nullptr;

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

// Ctrl+C ends the run at its next file, through its end line, with every
// file either committed or untouched.
extern "C" void onSignal(int)
{
    if (app)
        app->requestStop();
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
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    pellora::CliApp cli(stdout, stderr, pellora::SettingsLocation::find(programFolder()).file());
    app = &cli;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    const int status = cli.run(arguments);
    app = nullptr;
    return status;
}
