#include "tools/RemoteWindow.h"

#include <commctrl.h>

#include <cstring>

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
    if ((find->processId == 0 || pid == find->processId) && GetClassNameA(hwnd, cls, sizeof cls) &&
        std::strcmp(cls, "TMainForm") == 0 && GetWindowTextA(hwnd, caption, sizeof caption) &&
        std::strcmp(caption, "VELT Imager Support") == 0) {
        find->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindMainWindowOf(DWORD processId)
{
    FindContext find{processId, nullptr};
    EnumWindows(FindOfProcess, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

std::string RemoteStatusText(HWND bar)
{
    DWORD pid = 0;
    if (!bar || !GetWindowThreadProcessId(bar, &pid))
        return std::string();
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process)
        return std::string();
    std::string text;
    DWORD_PTR info = 0;
    SendMessageTimeoutA(bar, SB_GETTEXTLENGTHA, 0, 0, SMTO_ABORTIFHUNG, 5000, &info);
    const size_t length = LOWORD(info);
    // The bar copies its text into its own process's memory.
    void* remote = VirtualAllocEx(process, nullptr, length + 1, MEM_COMMIT, PAGE_READWRITE);
    if (remote) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 5000, &ignored);
        text.assign(length + 1, '\0');
        SIZE_T read = 0;
        ReadProcessMemory(process, remote, &text[0], length + 1, &read);
        text.resize(std::strlen(text.c_str()));
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
}

LRESULT RemoteSend(HWND window, UINT message, WPARAM wParam, std::string& bytes, long pointerAt, size_t pointTo)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process)
        return 0;
    DWORD_PTR result = 0;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, bytes.size(), MEM_COMMIT, PAGE_READWRITE));
    if (remote) {
        if (pointerAt >= 0) {
            char* target = remote + pointTo;
            std::memcpy(&bytes[static_cast<size_t>(pointerAt)], &target, sizeof target);
        }
        SIZE_T done = 0;
        WriteProcessMemory(process, remote, bytes.data(), bytes.size(), &done);
        SendMessageTimeoutA(window, message, wParam, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 5000, &result);
        ReadProcessMemory(process, remote, &bytes[0], bytes.size(), &done);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return static_cast<LRESULT>(result);
}
