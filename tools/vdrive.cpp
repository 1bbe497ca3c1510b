// vdrive: drives a running VELT Imager Support from outside, for demos, screenshots and tests.
//   vdrive wait [ms]          wait until the main window exists
//   vdrive restore            bring the program out of the tray (as a double click on its icon)
//   vdrive status             print the status bar's text
//   vdrive fields             print the "Stamp" and "IN" fields
//   vdrive command ID         send a menu command (the ids of app/resource.h)
//   vdrive boxes [button]     print open message boxes; press button (1 OK, 2 Cancel) on them
//   vdrive close              close the window (it goes to the tray)
//   vdrive window CLASS [ms]  wait for a shown window of that class of the program; print X Y W H
//   vdrive key VK             press and release a key in the window that has the program's focus
#include <windows.h>
#include <commctrl.h>

#include "tools/RemoteWindow.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

HWND FindMain()
{
    return FindWindowA("TMainForm", "VELT Imager Support");
}

std::string WindowText(HWND hwnd)
{
    const LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(strlen(text.c_str()));
    return text;
}

HWND ChildOfClass(HWND parent, const char* cls, int index)
{
    HWND child = nullptr;
    for (int i = 0; i <= index; ++i) {
        child = FindWindowExA(parent, child, cls, nullptr);
        if (!child)
            return nullptr;
    }
    return child;
}

struct Boxes {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM context)
{
    auto* boxes = reinterpret_cast<Boxes*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[16];
    if (pid == boxes->pid && IsWindowVisible(hwnd) && GetClassNameA(hwnd, cls, sizeof cls) &&
        strcmp(cls, "#32770") == 0)
        boxes->found.push_back(hwnd);
    return TRUE;
}

struct Shown {
    DWORD pid;
    const char* cls;
    HWND found;
};

BOOL CALLBACK FindShown(HWND hwnd, LPARAM context)
{
    auto* shown = reinterpret_cast<Shown*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[256];
    if (pid == shown->pid && IsWindowVisible(hwnd) && GetClassNameA(hwnd, cls, sizeof cls) &&
        strcmp(cls, shown->cls) == 0) {
        shown->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

int Usage()
{
    std::fprintf(stderr, "usage: vdrive wait [ms] | restore | status | fields | command ID | boxes [button] | close"
                         " | window CLASS [ms] | key VK\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string verb = argv[1];
    if (verb == "wait") {
        const DWORD timeout = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10000;
        const DWORD start = GetTickCount();
        while (!FindMain()) {
            if (GetTickCount() - start > timeout)
                return 1;
            Sleep(50);
        }
        return 0;
    }
    HWND main = FindMain();
    if (!main) {
        std::fprintf(stderr, "vdrive: no VELT Imager Support window\n");
        return 1;
    }
    if (verb == "restore") {
        // What the shell sends when the tray icon is double-clicked.
        PostMessageA(main, WM_APP + 1, 1, WM_LBUTTONDBLCLK);
    } else if (verb == "status") {
        std::printf("%s\n", RemoteStatusText(ChildOfClass(main, STATUSCLASSNAMEA, 0)).c_str());
    } else if (verb == "fields") {
        std::printf("Stamp: %s\n", WindowText(ChildOfClass(main, "Static", 2)).c_str());
        std::printf("IN: %s\n", WindowText(ChildOfClass(main, "Edit", 0)).c_str());
    } else if (verb == "command" && argc > 2) {
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(std::atoi(argv[2]), 0), 0);
    } else if (verb == "boxes") {
        Boxes boxes{0, {}};
        GetWindowThreadProcessId(main, &boxes.pid);
        EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes.found) {
            char text[4096] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            std::printf("%s: %s\n", WindowText(box).c_str(), text);
            if (argc > 2)
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(std::atoi(argv[2]), BN_CLICKED), 0);
        }
    } else if (verb == "close") {
        PostMessageA(main, WM_CLOSE, 0, 0);
    } else if (verb == "window" && argc > 2) {
        Shown shown{0, argv[2], nullptr};
        GetWindowThreadProcessId(main, &shown.pid);
        const DWORD timeout = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 10000;
        const DWORD start = GetTickCount();
        for (;;) {
            shown.found = nullptr;
            EnumWindows(FindShown, reinterpret_cast<LPARAM>(&shown));
            if (shown.found)
                break;
            if (GetTickCount() - start > timeout)
                return 1;
            Sleep(50);
        }
        RECT rect{};
        GetWindowRect(shown.found, &rect);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    } else if (verb == "key" && argc > 2) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        const DWORD thread = GetWindowThreadProcessId(main, nullptr);
        if (!GetGUIThreadInfo(thread, &info) || !info.hwndFocus) {
            std::fprintf(stderr, "vdrive: the program has no focus window\n");
            return 1;
        }
        const WPARAM key = std::strtoul(argv[2], nullptr, 0);
        const UINT scan = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
        PostMessageA(info.hwndFocus, WM_KEYDOWN, key, 1 | (scan << 16));
        PostMessageA(info.hwndFocus, WM_KEYUP, key, 1 | (scan << 16) | (1u << 30) | (1u << 31));
    } else {
        return Usage();
    }
    return 0;
}
