#include "support/CliProcess.h"

#include <windows.h>

#include <thread>

namespace pellora::test {

namespace {

using Clock = std::chrono::steady_clock;

// One argument as the C runtime's parser of the child reads it back: quoted,
// with the backslashes before a quote (and before the closing one) doubled.
std::wstring quoted(const std::wstring& argument)
{
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, L'\\');
    return text + L"\"";
}

std::wstring wide(const std::string& utf8)
{
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

HANDLE inheritableFile(const std::filesystem::path& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void closeIfOpen(HANDLE handle)
{
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(handle);
}

} // namespace

bool CliProcess::started() const
{
    return process_ != nullptr;
}

// A process group of its own, so a Ctrl+Break sent to it reaches it alone.
CliProcess::CliProcess(const std::vector<std::string>& arguments, const std::filesystem::path& outputFile,
                       const ChildSetup& setup)
{
    const auto path = program();
    if (!path || !setup.limits.empty())
        return;
    std::wstring commandLine = quoted(path->native());
    for (const auto& argument : arguments)
        commandLine += L" " + quoted(wide(argument));

    HANDLE input = inheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE output = INVALID_HANDLE_VALUE;
    HANDLE pipeRead = nullptr;
    if (setup.outputToPipe) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        if (!::CreatePipe(&pipeRead, &output, &inherit, 0))
            output = INVALID_HANDLE_VALUE;
        else
            ::SetHandleInformation(pipeRead, HANDLE_FLAG_INHERIT, 0);
    } else {
        output = inheritableFile(outputFile, GENERIC_WRITE, CREATE_ALWAYS);
    }
    HANDLE error = setup.errorFile.empty() ? inheritableFile(L"NUL", GENERIC_WRITE, OPEN_EXISTING)
                                           : inheritableFile(setup.errorFile, GENERIC_WRITE, CREATE_ALWAYS);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION info{};
    const bool made = input != INVALID_HANDLE_VALUE && output != INVALID_HANDLE_VALUE && error != INVALID_HANDLE_VALUE
                      && ::CreateProcessW(path->c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                          CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &info);
    closeIfOpen(input);
    closeIfOpen(output);
    closeIfOpen(error);
    if (!made) {
        closeIfOpen(pipeRead);
        return;
    }
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = static_cast<int>(info.dwProcessId);
    outputPipe_ = pipeRead;
}

CliProcess::~CliProcess()
{
    closeOutput();
    if (started() && !reaped_) {
        kill(kKillSignal);
        wait();
    }
    if (started())
        ::CloseHandle(process_);
}

bool CliProcess::kill(int signal)
{
    if (!started() || reaped_)
        return false;
    if (signal == kKillSignal) {
        killedBy_ = signal;
        return ::TerminateProcess(process_, 128 + signal) != 0;
    }
    // The program takes Ctrl+Break as Ctrl+C; it reaches only a console's processes.
    return ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(processId_)) != 0;
}

int CliProcess::wait()
{
    if (!started())
        return -1;
    if (!reaped_) {
        ::WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        ::GetExitCodeProcess(process_, &code);
        status_ = static_cast<int>(code);
        reaped_ = true;
    }
    return statusCode();
}

std::optional<int> CliProcess::waitFor(std::chrono::duration<double> limit)
{
    if (!started())
        return -1;
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(limit).count();
    if (!reaped_ && ::WaitForSingleObject(process_, static_cast<DWORD>(milliseconds)) == WAIT_TIMEOUT)
        return std::nullopt;
    return wait();
}

int CliProcess::endingSignal() const
{
    return reaped_ ? killedBy_ : 0;
}

std::optional<std::string> CliProcess::readOutputLine(std::chrono::duration<double> limit)
{
    const auto deadline = Clock::now() + limit;
    std::string line;
    while (outputPipe_ != nullptr) {
        DWORD waiting = 0;
        if (!::PeekNamedPipe(outputPipe_, nullptr, 0, nullptr, &waiting, nullptr))
            return std::nullopt; // the child closed its end
        if (waiting == 0) {
            if (Clock::now() >= deadline)
                return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        char c = 0;
        DWORD read = 0;
        if (!::ReadFile(outputPipe_, &c, 1, &read, nullptr) || read == 0)
            return std::nullopt;
        if (c == '\n')
            return line;
        line += c;
    }
    return std::nullopt;
}

void CliProcess::closeOutput()
{
    if (outputPipe_ != nullptr)
        ::CloseHandle(outputPipe_);
    outputPipe_ = nullptr;
}

int CliProcess::statusCode() const
{
    return killedBy_ != 0 ? -1 : status_;
}

} // namespace pellora::test
