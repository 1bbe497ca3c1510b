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
//   fill PID                Tools > Fill registry > Use messages (recommended) in process PID,
//                           its message answered
//   products UPGRADECODE    the installed products of that upgrade code and their versions
#include "tools/RemoteProcess.h"
#include "tools/RemoteWindow.h"

#include <windows.h>

#include <msi.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VELT Imager Support";
constexpr char kProduct[] = "VELT Imager Support";
constexpr int kExitCommand = 201;
constexpr int kUseMessagesCommand = 212;

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
    Process program;
    if (!program.StartCommand(command))
        return Fail("starting the Run command");
    std::printf("pid %lu\n", static_cast<unsigned long>(program.Id()));
    program.LetGo();
    return 0;
}

int Window(DWORD processId, DWORD timeoutMs)
{
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (HWND main = WaitForMainWindow(processId, timeoutMs, process.get())) {
        std::printf("window %p\nexe %s\n", static_cast<void*>(main), ImagePath(processId).c_str());
        return 0;
    }
    std::fputs(WaitForExit(processId, 0) ? "process ended\n" : "no window\n", stdout);
    return 1;
}

int Notify(const std::string& jobPath)
{
    HWND main = FindMainWindow();
    if (!main)
        return Fail("finding the main window");
    std::printf("exe %s\n", ImagePath(ProcessOfWindow(main)).c_str());
    bool answered = false;
    const LRESULT reply = SendNotice(main, 1000, jobPath.c_str(), static_cast<DWORD>(jobPath.size() + 1), &answered);
    if (!answered)
        return Fail("sending the job notice");
    std::printf("reply %lu\n", static_cast<unsigned long>(reply));
    return 0;
}

// Processes whose parent is one of the given ones, found anew on each call.
std::vector<DWORD> ChildrenOf(const std::set<DWORD>& parents)
{
    std::vector<DWORD> children;
    for (const RunningProcess& process : RunningProcesses())
        if (parents.count(process.Parent) != 0 && parents.count(process.Id) == 0)
            children.push_back(process.Id);
    return children;
}

ULONGLONG CreationTime(HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// An uninstaller made by NSIS copies itself away and returns at once: wait for the copy too.
int RunWait(DWORD timeoutMs, std::string command)
{
    std::printf("command %s\n", command.c_str());
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG started = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    Process process;
    if (!process.StartCommand(command))
        return Fail("starting the command");
    const DWORD start = GetTickCount();
    std::set<DWORD> family{process.Id()};
    std::vector<UniqueHandle> waiting;
    auto adopt = [&] {
        for (DWORD child : ChildrenOf(family)) {
            UniqueHandle handle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child));
            // Wine soon gives an ended process's id to another: whose parent had that id before
            // the command started is no child of it (a held copy of the program, say).
            if (!handle || CreationTime(handle.get()) < started)
                continue;
            family.insert(child);
            waiting.push_back(std::move(handle));
        }
    };
    while (!process.WaitForExit(50)) {
        adopt();
        if (GetTickCount() - start > timeoutMs) {
            std::printf("timeout\n");
            return 1;
        }
    }
    DWORD code = process.ExitCode();
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
    Process program;
    if (!program.Start(exe, std::string(), CREATE_SUSPENDED))
        return Fail("starting the program suspended");
    std::printf("pid %lu\n", static_cast<unsigned long>(program.Id()));
    program.LetGo();
    return 0;
}

int End(DWORD processId)
{
    HWND main = FindMainWindowOf(processId);
    if (main)
        PostCommand(main, kExitCommand);
    if (WaitForExit(processId, main ? 10000 : 0))
        return 0;
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (process && TerminateProcess(process.get(), 99))
        WaitForSingleObject(process.get(), 5000);
    std::printf("ended by force\n");
    return 1;
}

int Fill(DWORD processId)
{
    HWND main = FindMainWindowOf(processId);
    if (!main)
        return Fail("finding the main window");
    PostCommand(main, kUseMessagesCommand);
    HWND box = WaitForMessageBox(processId);
    if (!box)
        return Fail("waiting for the message");
    std::printf("message %s\n", MessageBoxText(box).c_str());
    AnswerMessageBox(box, IDOK);
    return 0;
}

int Products(const std::string& upgradeCode)
{
    char product[39];
    for (DWORD i = 0; MsiEnumRelatedProductsA(upgradeCode.c_str(), 0, i, product) == ERROR_SUCCESS; ++i) {
        char version[64] = "";
        DWORD size = sizeof version;
        MsiGetProductInfoA(product, INSTALLPROPERTY_VERSIONSTRING, version, &size);
        std::printf("product %s %s\n", product, version);
    }
    return 0;
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
    if (command == "fill" && argc == 3)
        return Fill(Number(argv[2]));
    if (command == "products" && argc == 3)
        return Products(argv[2]);
    std::printf("usage: installer_probe logon | window PID MS | notify JOBFILE | wait-exit PID MS |\n"
                "       run MS PROGRAM ARG... | uninstall MS | shortcut LNK | hold EXE | end PID | fill PID |\n"
                "       products UPGRADECODE\n");
    return 2;
}
