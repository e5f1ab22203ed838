#include "ShellCommand.h"

#include <cstdio>

namespace pellora::test {

bool runShellCommand(const std::string& command, std::string* firstLine)
{
    std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return false;
    char buffer[512] = {};
    const bool gotLine = std::fgets(buffer, sizeof buffer, pipe) != nullptr;
    while (std::fgetc(pipe) != EOF) {
    }
    const int status = ::pclose(pipe);
    if (firstLine) {
        *firstLine = gotLine ? buffer : "";
        while (!firstLine->empty() && (firstLine->back() == '\n' || firstLine->back() == '\r'))
            firstLine->pop_back();
    }
    return status == 0;
}

std::string shellQuoted(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

} // namespace pellora::test
