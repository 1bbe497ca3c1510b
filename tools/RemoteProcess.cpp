#include "tools/RemoteProcess.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

std::string ProgramPath(const std::string& program)
{
    return program.find_first_of("\\/:") == std::string::npos ? BinFolder() + "\\" + program : program;
}

std::string CommandLine(const std::string& exe, const std::string& arguments)
{
    return "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
}

} // namespace

std::string BinFolder()
{
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string file(path, length);
    return file.substr(0, file.find_last_of('\\'));
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

Process::~Process()
{
    Kill();
}

bool Process::Start(const std::string& program, const std::string& arguments, DWORD flags)
{
    const std::string exe = ProgramPath(program);
    return Launch(exe.c_str(), CommandLine(exe, arguments), flags);
}

bool Process::StartCommand(std::string commandLine, DWORD flags)
{
    return Launch(nullptr, std::move(commandLine), flags);
}

bool Process::Launch(const char* exe, std::string commandLine, DWORD flags)
{
    Kill();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exe, &commandLine[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    handle_.reset(info.hProcess);
    id_ = info.dwProcessId;
    return true;
}

bool Process::Running() const
{
    return handle_ && WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(DWORD timeoutMs)
{
    return !handle_ || WaitForSingleObject(handle_.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (handle_)
        GetExitCodeProcess(handle_.get(), &code);
    return code;
}

void Process::Kill()
{
    if (Running()) {
        TerminateProcess(handle_.get(), 99);
        WaitForSingleObject(handle_.get(), 5000);
    }
    handle_.reset();
}

DWORD RunProgram(const std::string& program, const std::string& arguments, DWORD timeoutMs)
{
    Process process;
    if (!process.Start(program, arguments) || !process.WaitForExit(timeoutMs))
        return ~0u;
    return process.ExitCode();
}

DWORD RunOutput(const std::string& program, const std::string& arguments, std::string& output, DWORD timeoutMs)
{
    output.clear();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        output = "cannot make a pipe, error " + std::to_string(GetLastError());
        return ~0u;
    }
    UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::string exe = ProgramPath(program);
    std::string commandLine = CommandLine(exe, arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        output = "cannot start " + exe + ", error " + std::to_string(GetLastError());
        return ~0u;
    }
    CloseHandle(info.hThread);
    UniqueHandle process(info.hProcess);
    writer.reset();
    // Read while it runs, so that a full pipe never blocks it; the pipe ends with its last writer.
    const DWORD start = GetTickCount();
    bool timedOut = false;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr))
            break;
        if (available > 0) {
            char buffer[4096];
            DWORD read = 0;
            if (!ReadFile(readEnd, buffer, available < sizeof buffer ? available : sizeof buffer, &read, nullptr))
                break;
            output.append(buffer, read);
            continue;
        }
        if (GetTickCount() - start > timeoutMs) {
            timedOut = true;
            break;
        }
        WaitForSingleObject(process.get(), 10);
    }
    DWORD code = ~0u;
    if (WaitForSingleObject(process.get(), timedOut ? 0 : 5000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.get(), &code);
    else
        TerminateProcess(process.get(), 99);
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    return code;
}

std::vector<RunningProcess> RunningProcesses()
{
    std::vector<RunningProcess> found;
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        const char* name = std::strrchr(entry.szExeFile, '\\');
        found.push_back({entry.th32ProcessID, entry.th32ParentProcessID, name ? name + 1 : entry.szExeFile});
    }
    return found;
}

std::vector<DWORD> ProcessesOf(const std::string& exeName)
{
    std::vector<DWORD> found;
    for (const RunningProcess& process : RunningProcesses())
        if (lstrcmpiA(process.ExeName.c_str(), exeName.c_str()) == 0)
            found.push_back(process.Id);
    return found;
}

DWORD WaitForNewProcess(const std::string& exeName, const std::vector<DWORD>& known, DWORD timeoutMs)
{
    DWORD found = 0;
    PumpUntil(
        [&] {
            for (DWORD pid : ProcessesOf(exeName))
                if (std::find(known.begin(), known.end(), pid) == known.end())
                    found = pid;
            return found != 0;
        },
        timeoutMs);
    return found;
}
