// vdrive: drives a running VELT Imager Support from outside, for demos, screenshots and tests.
//   vdrive wait [ms]          wait until the main window exists and start-up has finished
//   vdrive restore            bring the program out of the tray (as a double click on its icon)
//   vdrive status             print the status bar's text
//   vdrive fields             print the "Stamp" and "IN" fields
//   vdrive command ID         send a menu command (the ids of app/resource.h)
//   vdrive boxes [button]     print open message boxes; press button (1 OK, 2 Cancel) on them
//   vdrive close              close the window (it goes to the tray)
//   vdrive window CLASS [ms]  wait for a shown window of that class of the program; print X Y W H
//   vdrive key VK             press and release a key in the window that has the program's focus
#include "tools/RemoteWindow.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

DWORD Milliseconds(int argc, char** argv, int at)
{
    return argc > at ? std::strtoul(argv[at], nullptr, 10) : 10000;
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
    if (verb == "wait")
        return WaitForMainWindow(0, Milliseconds(argc, argv, 2)) ? 0 : 1;
    HWND main = FindMainWindow();
    if (!main) {
        std::fprintf(stderr, "vdrive: no VELT Imager Support window\n");
        return 1;
    }
    const DWORD pid = ProcessOfWindow(main);
    if (verb == "restore") {
        ShowMainWindow(main);
    } else if (verb == "status") {
        std::printf("%s\n", StatusText(main).c_str());
    } else if (verb == "fields") {
        std::printf("Stamp: %s\nIN: %s\n", StampText(main).c_str(), InText(main).c_str());
    } else if (verb == "command" && argc > 2) {
        PostCommand(main, std::atoi(argv[2]));
    } else if (verb == "boxes") {
        for (HWND box : MessageBoxesOf(pid)) {
            std::printf("%s: %s\n", TextOf(box).c_str(), MessageBoxText(box).c_str());
            if (argc > 2)
                AnswerMessageBox(box, std::atoi(argv[2]));
        }
    } else if (verb == "close") {
        PostMessageA(main, WM_CLOSE, 0, 0);
    } else if (verb == "window" && argc > 2) {
        HWND shown = WaitForShownWindow(pid, argv[2], Milliseconds(argc, argv, 3));
        if (!shown)
            return 1;
        const RECT rect = WindowRect(shown);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    } else if (verb == "key" && argc > 2) {
        if (PostKeyToFocus(main, static_cast<WORD>(std::strtoul(argv[2], nullptr, 0))))
            return 0;
        std::fprintf(stderr, "vdrive: the program has no focus window\n");
        return 1;
    } else {
        return Usage();
    }
    return 0;
}
