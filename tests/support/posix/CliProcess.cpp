#include "support/CliProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pellora::test {

namespace {

using Clock = std::chrono::steady_clock;

// Everything the child does between fork and exec, prepared before the fork:
// only calls that are safe after forking a process with threads remain.
struct ChildPlan {
    std::vector<std::string> all;
    std::vector<char*> argv;
    std::string output, error;
    const ChildSetup* setup = nullptr;
    int pipeWrite = -1;
};

// Puts `path` (opened with `flags`) on descriptor `target`; false on failure.
bool openOn(int target, const char* path, int flags)
{
    const int fd = ::open(path, flags, 0644);
    if (fd < 0)
        return false;
    if (fd == target)
        return true;
    const bool moved = ::dup2(fd, target) == target;
    ::close(fd);
    return moved;
}

bool placeStreams(const ChildPlan& plan)
{
    const ClosedStreams& closed = plan.setup->closed;
    if (closed.input)
        ::close(0);
    if (closed.output)
        ::close(1);
    else if (plan.pipeWrite >= 0) {
        if (::dup2(plan.pipeWrite, 1) != 1)
            return false;
    } else if (!openOn(1, plan.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC))
        return false;
    if (plan.pipeWrite >= 0 && plan.pipeWrite != 1)
        ::close(plan.pipeWrite);
    if (closed.error)
        ::close(2);
    else if (!openOn(2, plan.error.c_str(), O_WRONLY | O_CREAT | O_TRUNC))
        return false;
    return true;
}

[[noreturn]] void becomeChild(const ChildPlan& plan)
{
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal)
        ::sigaction(signal, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (const auto& [resource, value] : plan.setup->limits) {
        const rlimit limit{value, value};
        if (::setrlimit(resource, &limit) != 0)
            ::_exit(126);
    }
    if (!placeStreams(plan))
        ::_exit(126);
    ::execv(plan.argv[0], plan.argv.data());
    ::_exit(127);
}

} // namespace

bool CliProcess::started() const
{
    return pid_ > 0;
}

CliProcess::CliProcess(const std::vector<std::string>& arguments, const std::filesystem::path& outputFile,
                       const ChildSetup& setup)
{
    const auto path = program();
    if (!path)
        return;
    ChildPlan plan;
    plan.all.push_back(path->string());
    plan.all.insert(plan.all.end(), arguments.begin(), arguments.end());
    for (auto& argument : plan.all)
        plan.argv.push_back(argument.data());
    plan.argv.push_back(nullptr);
    plan.output = outputFile.string();
    plan.error = setup.errorFile.empty() ? std::string("/dev/null") : setup.errorFile.string();
    plan.setup = &setup;
    int ends[2] = {-1, -1};
    if (setup.outputToPipe && ::pipe2(ends, O_CLOEXEC) != 0)
        return;
    plan.pipeWrite = ends[1];

    pid_ = ::fork();
    if (pid_ == 0)
        becomeChild(plan);
    if (ends[1] >= 0)
        ::close(ends[1]);
    outputPipe_ = ends[0];
    if (pid_ < 0)
        closeOutput();
}

CliProcess::~CliProcess()
{
    closeOutput();
    if (started() && !reaped_) {
        kill(kKillSignal);
        wait();
    }
}

bool CliProcess::kill(int signal)
{
    return started() && !reaped_ && ::kill(pid_, signal) == 0;
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
    const auto deadline = Clock::now() + limit;
    while (!reaped_) {
        const pid_t done = ::waitpid(pid_, &status_, WNOHANG);
        if (done == pid_ || (done < 0 && errno != EINTR)) {
            reaped_ = true;
            break;
        }
        if (Clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return statusCode();
}

int CliProcess::endingSignal() const
{
    return reaped_ && WIFSIGNALED(status_) ? WTERMSIG(status_) : 0;
}

std::optional<std::string> CliProcess::readOutputLine(std::chrono::duration<double> limit)
{
    const auto deadline = Clock::now() + limit;
    std::string line;
    while (outputPipe_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{outputPipe_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) == 0)
            return std::nullopt;
        char c = 0;
        const ssize_t n = ::read(outputPipe_, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        if (c == '\n')
            return line;
        line += c;
    }
    return std::nullopt;
}

void CliProcess::closeOutput()
{
    if (outputPipe_ >= 0)
        ::close(outputPipe_);
    outputPipe_ = -1;
}

int CliProcess::statusCode() const
{
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

} // namespace pellora::test
