#pragma once

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/types.h>
#endif

namespace pellora::test {

#ifdef _WIN32
// Windows sets no such limits on a process: tests that need them are Linux's.
using ResourceLimit = unsigned long long;
// What kill() takes: SIGINT and SIGTERM come as the console's Ctrl+Break
// (which the program takes as Ctrl+C), SIGKILL ends the process at once.
inline constexpr int kKillSignal = 9;
#else
using ResourceLimit = rlim_t;
inline constexpr int kKillSignal = SIGKILL;
#endif

// Standard descriptors a child starts without, as a shell's `<&-`, `>&-` and
// `2>&-` leave them.
struct ClosedStreams {
    bool input = false, output = false, error = false;
};

// How a child starts, beyond its arguments. Whatever the test process does
// with its own signals, the child starts with every signal at its default
// disposition and none blocked, as from a fresh shell: what it survives, it
// survives by its own handling.
struct ChildSetup {
    ClosedStreams closed;
    // Limits the child starts under, as `ulimit` or `prlimit` set them:
    // resource (RLIMIT_...) and value, soft and hard alike.
    std::vector<std::pair<int, ResourceLimit>> limits;
    // Where standard error goes; empty: /dev/null.
    std::filesystem::path errorFile;
    // Standard output into a pipe this process reads (readOutputLine) and may
    // close (closeOutput), as `| head -1` does; the output file is then unused.
    bool outputToPipe = false;
};

// pellora-cli of this build as a child process, for tests that kill it or run
// two at once. Its standard output goes to a file; standard error is dropped.
class CliProcess {
public:
    // The program, or nothing when the build folder is not known.
    static std::optional<std::filesystem::path> program();

    CliProcess(const std::vector<std::string>& arguments, const std::filesystem::path& outputFile,
               ClosedStreams closed = {});
    CliProcess(const std::vector<std::string>& arguments, const std::filesystem::path& outputFile,
               const ChildSetup& setup);
    ~CliProcess(); // kills and reaps a child still running
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool started() const;
    // False when the signal could not be sent: Wine delivers no console
    // Ctrl+Break from one process to another (a terminal's Ctrl+C, which
    // reaches Wine as SIGINT, does stop pellora-cli.exe).
    bool kill(int signal);
    // The exit status, or -1 when it ended by a signal.
    int wait();
    // The same, or nothing when the child is still running after `limit`.
    std::optional<int> waitFor(std::chrono::duration<double> limit);
    // The signal that ended the child, or 0 (once it was reaped).
    int endingSignal() const;

    // With outputToPipe: the next line the child wrote, without its line
    // end; nothing when the pipe ended or `limit` passed first.
    std::optional<std::string> readOutputLine(std::chrono::duration<double> limit);
    // Closes this end of the pipe: the child's next write finds no reader.
    void closeOutput();

private:
    int statusCode() const;

#ifdef _WIN32
    void* process_ = nullptr;
    void* outputPipe_ = nullptr;
    int processId_ = -1;
    int killedBy_ = 0;
#else
    pid_t pid_ = -1;
    int outputPipe_ = -1;
#endif
    bool reaped_ = false;
    int status_ = 0;
};

// Waits until `file` holds `text`; false when `limit` passed first.
bool waitForText(const std::filesystem::path& file, const std::string& text, std::chrono::duration<double> limit);

} // namespace pellora::test
