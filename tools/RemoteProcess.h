#pragma once
// Other processes, for the drivers, tests, benchmarks and the installer probe: starting them,
// waiting for them, collecting their output, finding them by program name or parent.
#include "toolkit/Handles.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The folder of this program; vimager.exe, the tools and the tests are built side by side.
std::string BinFolder();

// Handles this thread's messages until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// One started process, ended by force when this object goes unless it was let go.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // A program (a bare file name: of the bin folder) with the command-line tail given;
    // false, with the error left in GetLastError, when it did not start.
    bool Start(const std::string& program, const std::string& arguments = std::string(), DWORD flags = 0);
    // A command line as typed: its first word names the program.
    bool StartCommand(std::string commandLine, DWORD flags = 0);
    bool Running() const;
    bool WaitForExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return handle_.get(); }
    void Kill();
    // Leaves the process running on its own.
    void LetGo() { handle_.reset(); }

private:
    bool Launch(const char* exe, std::string commandLine, DWORD flags);

    UniqueHandle handle_;
    DWORD id_ = 0;
};

// Runs a program to its end; its exit code, or ~0 when it did not start or end in time.
DWORD RunProgram(const std::string& program, const std::string& arguments, DWORD timeoutMs = 30000);
// The same, collecting what it wrote to its output and error streams (without carriage returns).
DWORD RunOutput(const std::string& program, const std::string& arguments, std::string& output,
                DWORD timeoutMs = 30000);

struct RunningProcess {
    DWORD Id;
    DWORD Parent;
    std::string ExeName;
};
std::vector<RunningProcess> RunningProcesses();
// Processes running that program (file name only, for example "vimager.exe").
std::vector<DWORD> ProcessesOf(const std::string& exeName);
// One that is not among those given, once it runs; 0 when none came in time.
DWORD WaitForNewProcess(const std::string& exeName, const std::vector<DWORD>& known, DWORD timeoutMs = 15000);
