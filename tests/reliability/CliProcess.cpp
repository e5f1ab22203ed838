#include "CliProcess.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <thread>

namespace pellora::test {

std::optional<std::filesystem::path> CliProcess::program()
{
    const char* build = std::getenv("PELLORA_BUILD_DIR");
    if (!build || !*build)
        build = PELLORA_DEFAULT_BUILD_DIR;
    const auto path = std::filesystem::path(build) / "pellora-cli";
    if (!std::filesystem::exists(path))
        return std::nullopt;
    return path;
}

CliProcess::CliProcess(const std::vector<std::string>& arguments, const std::filesystem::path& outputFile,
                       ClosedStreams closed)
{
    const auto path = program();
    if (!path)
        return;
    std::vector<std::string> all{path->string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (closed.input)
        posix_spawn_file_actions_addclose(&actions, 0);
    if (closed.output)
        posix_spawn_file_actions_addclose(&actions, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (closed.error)
        posix_spawn_file_actions_addclose(&actions, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

CliProcess::~CliProcess()
{
    if (started() && !reaped_) {
        kill(SIGKILL);
        wait();
    }
}

void CliProcess::kill(int signal)
{
    if (started() && !reaped_)
        ::kill(pid_, signal);
}

int CliProcess::wait()
{
    if (!started())
        return -1;
    if (!reaped_) {
        while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
    }
    return statusCode();
}

std::optional<int> CliProcess::waitFor(std::chrono::duration<double> limit)
{
    if (!started())
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!reaped_) {
        const pid_t done = ::waitpid(pid_, &status_, WNOHANG);
        if (done == pid_ || (done < 0 && errno != EINTR)) {
            reaped_ = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return statusCode();
}

int CliProcess::statusCode() const
{
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

} // namespace pellora::test
