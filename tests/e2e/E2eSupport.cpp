#include "e2e/E2eSupport.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

std::string BinFolder()
{
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

VimagerProcess::~VimagerProcess()
{
    Kill();
}

void VimagerProcess::Start(const std::string& arguments, const std::string& program)
{
    Kill();
    const std::string exe = BinFolder() + "\\" + program;
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("CreateProcess " + exe + " failed, error " + std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
}

HWND VimagerProcess::WaitForWindow(DWORD timeoutMs)
{
    // Ready once start-up has shown the session in the status bar, as a person would see it.
    HWND found = nullptr;
    PumpUntil(
        [&] {
            found = FindMainWindowOf(processId_);
            return (found && !StatusText(found).empty()) || !Running();
        },
        timeoutMs);
    return found;
}

bool VimagerProcess::WaitForExit(DWORD timeoutMs)
{
    return !process_ || WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool VimagerProcess::Running() const
{
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD VimagerProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (process_)
        GetExitCodeProcess(process_.get(), &code);
    return code;
}

void VimagerProcess::Kill()
{
    if (Running()) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
    process_.reset();
}

DWORD RunTool(const std::string& program, const std::string& arguments, DWORD timeoutMs)
{
    VimagerProcess tool;
    tool.Start(arguments, program);
    if (!tool.WaitForExit(timeoutMs))
        return ~0u;
    return tool.ExitCode();
}

DWORD RunToolOutput(const std::string& program, const std::string& arguments, std::string& output, DWORD timeoutMs)
{
    output.clear();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        throw std::runtime_error("CreatePipe failed, error " + std::to_string(GetLastError()));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::string exe = BinFolder() + "\\" + program;
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    const BOOL started =
        CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    const DWORD startError = GetLastError();
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        throw std::runtime_error("CreateProcess " + exe + " failed, error " + std::to_string(startError));
    }
    CloseHandle(info.hThread);
    // Read while it runs, so that a full pipe never blocks it; the pipe ends when its last writer does.
    const DWORD start = GetTickCount();
    bool ended = false;
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
        if (GetTickCount() - start > timeoutMs)
            break;
        ended = WaitForSingleObject(info.hProcess, 10) == WAIT_OBJECT_0 || ended;
    }
    CloseHandle(readEnd);
    DWORD code = ~0u;
    if (WaitForSingleObject(info.hProcess, ended ? 5000 : 0) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    else
        TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hProcess);
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    return code;
}

namespace {

struct FindContext {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindOfProcess(HWND hwnd, LPARAM context)
{
    auto* find = reinterpret_cast<FindContext*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32];
    char caption[64];
    if (pid == find->processId && GetClassNameA(hwnd, cls, sizeof cls) && strcmp(cls, "TMainForm") == 0 &&
        GetWindowTextA(hwnd, caption, sizeof caption) && strcmp(caption, "VELT Imager Support") == 0) {
        find->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::string WindowText(HWND hwnd)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    text.resize(strlen(text.c_str()));
    return text;
}

HWND Child(HWND parent, const char* cls, int index)
{
    HWND child = nullptr;
    for (int i = 0; i <= index && (child = FindWindowExA(parent, child, cls, nullptr)); ++i) {
    }
    return child;
}

} // namespace

HWND FindMainWindow()
{
    return FindWindowA("TMainForm", "VELT Imager Support");
}

HWND FindMainWindowOf(DWORD processId)
{
    FindContext find{processId, nullptr};
    EnumWindows(FindOfProcess, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

std::string StatusText(HWND main)
{
    HWND bar = Child(main, STATUSCLASSNAMEA, 0);
    DWORD pid = 0;
    GetWindowThreadProcessId(bar, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!bar || !process)
        return std::string();
    std::string text;
    DWORD_PTR info = 0;
    SendMessageTimeoutA(bar, SB_GETTEXTLENGTHA, 0, 0, SMTO_ABORTIFHUNG, 5000, &info);
    const size_t length = LOWORD(info);
    // The text is copied into the other process's memory: allocate it there.
    void* remote = VirtualAllocEx(process, nullptr, length + 1, MEM_COMMIT, PAGE_READWRITE);
    if (remote) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 5000, &ignored);
        text.assign(length + 1, '\0');
        SIZE_T read = 0;
        ReadProcessMemory(process, remote, &text[0], length + 1, &read);
        text.resize(strlen(text.c_str()));
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
}

std::string StampText(HWND main)
{
    // The labels "Stamp" and "IN" are statics too: the stamp field is the second static.
    return WindowText(Child(main, "Static", 1));
}

std::string InText(HWND main)
{
    return WindowText(Child(main, "Edit", 0));
}

bool WaitForStatus(HWND main, const std::string& text, DWORD timeoutMs)
{
    return PumpUntil([&] { return StatusText(main) == text; }, timeoutMs);
}

bool WaitForStatusPrefix(HWND main, const std::string& prefix, DWORD timeoutMs)
{
    return PumpUntil([&] { return StatusText(main).compare(0, prefix.size(), prefix) == 0; }, timeoutMs);
}

LRESULT SendNotice(HWND main, ULONG_PTR kind, const void* data, DWORD size, bool* answered)
{
    COPYDATASTRUCT notice{kind, size, const_cast<void*>(data)};
    DWORD_PTR result = 0;
    const LRESULT ok = SendMessageTimeoutA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice), SMTO_NORMAL,
                                           60000, &result);
    if (answered)
        *answered = ok != 0;
    return static_cast<LRESULT>(result);
}

LRESULT SendJobNotice(HWND main, const std::string& path, bool wide, ULONG_PTR kind)
{
    if (!wide)
        return SendNotice(main, kind, path.c_str(), static_cast<DWORD>(path.size() + 1));
    std::wstring text(path.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &text[0], static_cast<int>(text.size()));
    text.resize(length > 0 ? length : 1);
    return SendNotice(main, kind, text.c_str(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

TestInstallation::TestInstallation()
{
    for (const char* folder : {"install", "lead1", "lead2", "jobs", "logs", "logs\\SealQueue"})
        CreateDirectoryA((root_ / folder).c_str(), nullptr);
    logBase_ = std::make_unique<ScopedEnv>("VELTLOGD", (root_ / "logs").c_str());
    auto base = std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, "SOFTWARE\\VELT Korvel", kView32);
    base->SetString("MyPath", InstallBase());
    keys_.push_back(std::move(base));
    WriteFileBytes(InstallBase() + "\\xLead.xml",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SealQueue>\r\n  <Lead><TempVImg>" + Lead1() +
                       "</TempVImg></Lead>\r\n  <Lead2><TempVImg>" + Lead2() + "</TempVImg></Lead2>\r\n</SealQueue>\r\n");
}

TestInstallation::~TestInstallation()
{
    for (int index : {1, 2, 3})
        RemovePrinter(index);
    for (const char* key : {"SOFTWARE\\VELT Korvel\\EmfRaster", "SOFTWARE\\VELT Korvel\\EmfRaster2",
                            "SOFTWARE\\VELT Korvel\\EmfRaster3"})
        DeleteRegTree(HKEY_CURRENT_USER, key);
    keys_.clear();
}

std::string TestInstallation::LogFile() const
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[32];
    snprintf(name, sizeof name, "\\vimg%04d%02d%02d.txt", now.wYear, now.wMonth, now.wDay);
    return SpoolerFolder() + name;
}

void TestInstallation::SetPrinter(int index, const std::string& todo)
{
    const std::string path = "SOFTWARE\\VELT Korvel\\VELT Imager " + std::to_string(index);
    auto key = std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, path, kView64);
    if (!todo.empty())
        key->SetString("Todo", todo);
    keys_.push_back(std::move(key));
}

void TestInstallation::RemovePrinter(int index)
{
    DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\VELT Korvel\\VELT Imager " + std::to_string(index), kView64);
}

void TestInstallation::SetConverter(int index, const std::string& exePath)
{
    const std::string path = "SOFTWARE\\VELT Korvel\\EmfRaster" + (index > 1 ? std::to_string(index) : std::string());
    auto key = std::make_unique<ScopedRegKey>(HKEY_CURRENT_USER, path);
    key->SetString("ExePath", exePath);
    keys_.push_back(std::move(key));
}

void TestInstallation::SetTransfer(int index, DWORD transferMode, const std::string& clientApplication)
{
    const std::string path = "SOFTWARE\\VELT Korvel\\VELT Imager " + std::to_string(index);
    auto key = std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, path, kView64);
    key->SetString("Client application", clientApplication);
    key->SetString("Target window class", "TMainForm");
    key->SetString("Target window title", "VELT Imager Support");
    key->SetDword("Transfer mode", transferMode);
    keys_.push_back(std::move(key));
}

std::string TestInstallation::MakeJob(const std::string& name, int printerIndex)
{
    const std::string path = Jobs() + "\\" + name;
    WriteJobFile(path, "VELT Imager " + std::to_string(printerIndex));
    return path;
}
