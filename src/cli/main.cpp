#include "cli/CliApp.h"
#include "cli/CliMessages.h"
#include "cli/Terminal.h"
#include "platform/ProgramFolder.h"
#include "platform/io/StandardDescriptors.h"
#include "platform/io/StopSignals.h"
#include "platform/io/WriteSignals.h"
#include "platform/text/Cp932.h"
#include "settings/SettingsLocation.h"

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/text/Utf8.h"
#endif

namespace {

// The arguments after the program's name, as UTF-8 text, or on Linux as the
// bytes given: a folder's name need not be UTF-8 there.
int runCommandLine(const std::vector<std::string>& arguments)
{
    if (!pellora::ensureStandardDescriptorsOpen())
        return pellora::CliApp::UsageOrFolderProblem;
    pellora::prepareStandardStreams();
    const auto messages = pellora::CliMessages::fromEnvironment();
    if (!pellora::cp932::available()) {
        const std::string line = messages(pellora::CliText::UsageProblem, {messages(pellora::CliText::CodePage932Missing)});
        (void)pellora::writeUtf8(stderr, line);
        return pellora::CliApp::UsageOrFolderProblem;
    }
    pellora::ignoreWriteSignals();
    // Ctrl+C, SIGTERM and SIGHUP (on Windows Ctrl+C, Ctrl+Break and the
    // console closing) end the run at its next file, through its end line,
    // with every file either committed or untouched.
    const pellora::StopSignals stopSignals;

    pellora::CliApp cli(stdout, stderr, pellora::SettingsLocation::find(pellora::programFolder()).file(), messages);
    cli.setStopWake(stopSignals.wakeDescriptor());
    return cli.run(arguments);
}

} // namespace

#ifdef _WIN32
// The arguments as Windows holds them, UTF-16, whatever the console's code page.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(pellora::utf8::fromUtf16(reinterpret_cast<const char16_t*>(argv[i])));
    return runCommandLine(arguments);
}
#else
int main(int argc, char** argv)
{
    return runCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
#endif
