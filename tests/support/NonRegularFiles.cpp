#include "support/NonRegularFiles.h"

#include "support/TempDir.h"

#ifdef _WIN32

#include <windows.h>

#include <future>
#include <memory>
#include <thread>

// Windows has none of these kinds of file, and no fork: a child for code that
// might block for ever is a thread, left behind when it does block.
namespace pellora::test {

bool makeFifo(const std::filesystem::path&) { return false; }
bool makeSocket(const std::filesystem::path&) { return false; }
bool makeCharDevice(const std::filesystem::path&) { return false; }

bool makeLink(const std::filesystem::path& target, const std::filesystem::path& link)
{
    std::error_code error;
    const DWORD folder = std::filesystem::is_directory(target, error) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
    ::CreateSymbolicLinkW(link.c_str(), target.c_str(), folder | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    // Wine says it made one when it did not: only the link itself tells.
    const DWORD attributes = ::GetFileAttributesW(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::string kindOf(const std::filesystem::path& path)
{
    std::error_code error;
    switch (std::filesystem::symlink_status(path, error).type()) {
    case std::filesystem::file_type::regular: return "regular";
    case std::filesystem::file_type::directory: return "folder";
    case std::filesystem::file_type::symlink: return "link";
    case std::filesystem::file_type::not_found:
    case std::filesystem::file_type::none: return "missing";
    default: return "other";
    }
}

bool endsWithin(std::chrono::duration<double> limit, const std::function<void()>& action)
{
    auto task = std::make_shared<std::packaged_task<void()>>(action);
    std::future<void> done = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (done.wait_for(limit) != std::future_status::ready)
        return false;
    try {
        done.get();
        return true;
    } catch (...) {
        return false; // what a child's failing exit would say
    }
}

} // namespace pellora::test

#else

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pellora::test {

bool makeFifo(const std::filesystem::path& path) { return ::mkfifo(path.c_str(), 0644) == 0; }

bool makeSocket(const std::filesystem::path& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof address.sun_path)
        return false;
    std::strcpy(address.sun_path, path.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    // The socket file stays after the descriptor is closed; nothing listens on it.
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

bool makeCharDevice(const std::filesystem::path& path)
{
    return ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
}

bool makeLink(const std::filesystem::path& target, const std::filesystem::path& link)
{
    std::error_code error;
    std::filesystem::create_symlink(target, link, error);
    return !error;
}

std::string kindOf(const std::filesystem::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return "missing";
    switch (info.st_mode & S_IFMT) {
    case S_IFREG: return "regular";
    case S_IFDIR: return "folder";
    case S_IFIFO: return "fifo";
    case S_IFSOCK: return "socket";
    case S_IFCHR: return "char";
    case S_IFBLK: return "block";
    case S_IFLNK: return "link";
    default: return "other";
    }
}

bool endsWithin(std::chrono::duration<double> limit, const std::function<void()>& action)
{
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        action();
        ::_exit(0);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace pellora::test

#endif

namespace pellora::test {

bool linksCanBeMade()
{
    static const bool can = [] {
        const TempDir dir;
        return makeLink(dir / "target", dir / "link");
    }();
    return can;
}

} // namespace pellora::test
