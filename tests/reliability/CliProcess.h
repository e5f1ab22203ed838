#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace pellora::test {

// Standard descriptors a child starts without, as a shell's `<&-`, `>&-` and
// `2>&-` leave them.
struct ClosedStreams {
    bool input = false, output = false, error = false;
};

// pellora-cli of this build as a child process, for tests that kill it or run
// two at once. Its standard output goes to a file; standard error is dropped.
class CliProcess {
public:
    // The program, or nothing when the build folder is not known.
    static std::optional<std::filesystem::path> program();

    CliProcess(const std::vector<std::string>& arguments, const std::filesystem::path& outputFile,
               ClosedStreams closed = {});
    ~CliProcess(); // kills and reaps a child still running
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool started() const { return pid_ > 0; }
    void kill(int signal);
    // The exit status, or -1 when it ended by a signal.
    int wait();
    // The same, or nothing when the child is still running after `limit`.
    std::optional<int> waitFor(std::chrono::duration<double> limit);

private:
    int statusCode() const;

    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

} // namespace pellora::test
