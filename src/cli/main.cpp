#include "cli/CliApp.h"
#include "platform/io/ProgramFolder.h"
#include "platform/io/StandardDescriptors.h"
#include "settings/SettingsLocation.h"

#include <QStringList>
#include <csignal>
#include <cstdio>

namespace {

pellora::CliApp* app = nullptr;

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
    if (!pellora::StandardDescriptors::ensureOpen())
        return pellora::CliApp::UsageOrFolderProblem;
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    pellora::CliApp cli(stdout, stderr, pellora::SettingsLocation::find(pellora::ProgramFolder::path()).file());
    app = &cli;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    const int status = cli.run(arguments);
    app = nullptr;
    return status;
}
