// installer_probe: the Windows side of the installer test. Each command does one thing
// that a shell cannot do from outside Wine, prints what it saw, and exits 0 on success.
//
//   logon                   starts the HKLM Run entry of the program as a logon would
//   window PID MS           waits for the main window of process PID
//   notify JOBFILE          sends the job notice for JOBFILE to the main window
//   wait-exit PID MS        waits for process PID to end
//   run MS PROGRAM ARG...   runs PROGRAM with the arguments as typed (not quoted again, so
//                           "/D=C:\Some Folder" reaches NSIS as it expects), and waits for it
//                           and every process it started
//   uninstall MS            the same for the registered quiet uninstall command
//   shortcut LNK            the target and arguments of a shell link
//   hold EXE                starts EXE suspended: its file is in use, and no window shows,
//                           as for a copy running in another session
//   end PID                 File > Exit for process PID, ended by force when it does not go
#include "toolkit/Handles.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VELT Imager Support";
constexpr char kProduct[] = "VELT Imager Support";
constexpr WPARAM kExitCommand = 201;

int Fail(const char* what)
{
    std::printf("error %s (%lu)\n", what, static_cast<unsigned long>(GetLastError()));
    return 1;
}

std::string ImagePath(DWORD processId)
{
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process)
        return std::string();
    char path[MAX_PATH * 2];
    DWORD size = sizeof path;
    if (!QueryFullProcessImageNameA(process.get(), 0, path, &size))
        return std::string();
    return std::string(path, size);
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM context)
{
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char cls[32];
    char caption[64];
    if (owner == search->processId && GetClassNameA(hwnd, cls, sizeof cls) && std::strcmp(cls, "TMainForm") == 0
        && GetWindowTextA(hwnd, caption, sizeof caption) && std::strcmp(caption, kProduct) == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND MainWindowOf(DWORD processId)
{
    WindowSearch search{processId, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitForExit(DWORD processId, DWORD timeoutMs)
{
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    // A process that is gone cannot be opened any more.
    return !process || WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
}

// A text value of the installer's keys, which live in the 32-bit view.
bool ReadInstalledString(const char* path, const char* name, std::string& value)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &opened) != ERROR_SUCCESS)
        return false;
    UniqueRegKey key(opened);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return false;
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return false;
    value = data.data();
    return true;
}

int Logon()
{
    std::string command;
    if (!ReadInstalledString(kRunKey, kProduct, command))
        return Fail("reading the Run value");
    std::printf("command %s\n", command.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return Fail("starting the Run command");
    UniqueHandle thread(info.hThread);
    UniqueHandle process(info.hProcess);
    std::printf("pid %lu\n", static_cast<unsigned long>(info.dwProcessId));
    return 0;
}

int Window(DWORD processId, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND main = MainWindowOf(processId)) {
            std::printf("window %p\nexe %s\n", static_cast<void*>(main), ImagePath(processId).c_str());
            return 0;
        }
        if (WaitForExit(processId, 0)) {
            std::printf("process ended\n");
            return 1;
        }
        if (GetTickCount() - start > timeoutMs) {
            std::printf("no window\n");
            return 1;
        }
        Sleep(100);
    }
}

int Notify(const std::string& jobPath)
{
    HWND main = FindWindowA("TMainForm", kProduct);
    if (!main)
        return Fail("finding the main window");
    DWORD owner = 0;
    GetWindowThreadProcessId(main, &owner);
    std::printf("exe %s\n", ImagePath(owner).c_str());
    COPYDATASTRUCT notice{1000, static_cast<DWORD>(jobPath.size() + 1), const_cast<char*>(jobPath.c_str())};
    DWORD_PTR reply = 0;
    if (!SendMessageTimeoutA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice), SMTO_NORMAL, 60000, &reply))
        return Fail("sending the job notice");
    std::printf("reply %lu\n", static_cast<unsigned long>(reply));
    return 0;
}

// Processes whose parent is one of the given ones, found anew on each call.
std::vector<DWORD> ChildrenOf(const std::set<DWORD>& parents)
{
    std::vector<DWORD> children;
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return children;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
        if (parents.count(entry.th32ParentProcessID) != 0 && parents.count(entry.th32ProcessID) == 0)
            children.push_back(entry.th32ProcessID);
    return children;
}

// An uninstaller made by NSIS copies itself away and returns at once: wait for the copy too.
int RunWait(DWORD timeoutMs, std::string command)
{
    std::printf("command %s\n", command.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return Fail("starting the command");
    UniqueHandle thread(info.hThread);
    UniqueHandle process(info.hProcess);
    const DWORD start = GetTickCount();
    std::set<DWORD> family{info.dwProcessId};
    std::vector<UniqueHandle> waiting;
    auto adopt = [&] {
        for (DWORD child : ChildrenOf(family)) {
            family.insert(child);
            UniqueHandle handle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child));
            if (handle)
                waiting.push_back(std::move(handle));
        }
    };
    while (WaitForSingleObject(process.get(), 50) == WAIT_TIMEOUT) {
        adopt();
        if (GetTickCount() - start > timeoutMs) {
            std::printf("timeout\n");
            return 1;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    std::printf("exit %lu\n", static_cast<unsigned long>(code));
    for (;;) {
        adopt();
        bool running = false;
        for (const UniqueHandle& handle : waiting)
            running = running || WaitForSingleObject(handle.get(), 0) == WAIT_TIMEOUT;
        if (!running)
            break;
        if (GetTickCount() - start > timeoutMs) {
            std::printf("timeout\n");
            return 1;
        }
        Sleep(50);
    }
    std::printf("descendants %u\n", static_cast<unsigned>(family.size() - 1));
    for (const UniqueHandle& handle : waiting) {
        GetExitCodeProcess(handle.get(), &code);
        std::printf("descendant-exit %lu\n", static_cast<unsigned long>(code));
    }
    return 0;
}

int Uninstall(DWORD timeoutMs)
{
    std::string command;
    if (!ReadInstalledString(kUninstallKey, "QuietUninstallString", command))
        return Fail("reading QuietUninstallString");
    return RunWait(timeoutMs, command);
}

int Shortcut(const std::string& linkPath)
{
    if (FAILED(CoInitialize(nullptr)))
        return Fail("starting COM");
    int result = 1;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(
            CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            std::wstring wide(linkPath.size() + 1, L'\0');
            MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
            char target[MAX_PATH * 2] = {};
            char arguments[MAX_PATH * 2] = {};
            if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ))
                && SUCCEEDED(link->GetPath(target, sizeof target, nullptr, 0))
                && SUCCEEDED(link->GetArguments(arguments, sizeof arguments))) {
                std::printf("target %s\narguments %s\n", target, arguments);
                result = 0;
            }
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return result == 0 ? 0 : Fail("reading the shortcut");
}

int Hold(const std::string& exe)
{
    std::string command = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(
            exe.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup, &info))
        return Fail("starting the program suspended");
    UniqueHandle thread(info.hThread);
    UniqueHandle process(info.hProcess);
    std::printf("pid %lu\n", static_cast<unsigned long>(info.dwProcessId));
    return 0;
}

int End(DWORD processId)
{
    HWND main = MainWindowOf(processId);
    if (main)
        PostMessageA(main, WM_COMMAND, kExitCommand, 0);
    if (WaitForExit(processId, main ? 10000 : 0))
        return 0;
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (process && TerminateProcess(process.get(), 99))
        WaitForSingleObject(process.get(), 5000);
    std::printf("ended by force\n");
    return 1;
}

DWORD Number(const char* text)
{
    return static_cast<DWORD>(std::strtoul(text, nullptr, 10));
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "logon" && argc == 2)
        return Logon();
    if (command == "window" && argc == 4)
        return Window(Number(argv[2]), Number(argv[3]));
    if (command == "notify" && argc == 3)
        return Notify(argv[2]);
    if (command == "wait-exit" && argc == 4)
        return WaitForExit(Number(argv[2]), Number(argv[3])) ? 0 : 1;
    if (command == "run" && argc >= 4) {
        std::string line = std::string("\"") + argv[3] + "\"";
        for (int i = 4; i < argc; ++i)
            line += std::string(" ") + argv[i];
        return RunWait(Number(argv[2]), line);
    }
    if (command == "uninstall" && argc == 3)
        return Uninstall(Number(argv[2]));
    if (command == "shortcut" && argc == 3)
        return Shortcut(argv[2]);
    if (command == "hold" && argc == 3)
        return Hold(argv[2]);
    if (command == "end" && argc == 3)
        return End(Number(argv[2]));
    std::printf("usage: installer_probe logon | window PID MS | notify JOBFILE | wait-exit PID MS |\n"
                "       run MS PROGRAM ARG... | uninstall MS | shortcut LNK | hold EXE | end PID\n");
    return 2;
}
