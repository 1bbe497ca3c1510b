// vbench_floor LEAD: a bare receiver of job notices that only moves each job file into LEAD,
// the least that the platform itself costs per notice. Its window has the program's class
// and caption, so that the same sender reaches it; WM_CLOSE ends it.
#include "bench/Receiver.h"
#include "toolkit/SysUtils.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string g_lead;
unsigned long g_counter = 0;

LRESULT CALLBACK FloorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_COPYDATA)
        return ReceiverDefault(hwnd, msg, wParam, lParam);
    const auto* notice = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (notice && notice->dwData == 1000 && notice->lpData && std::memchr(notice->lpData, 0, notice->cbData)) {
        const std::string destination = Format("%s\\job%010lu.log", g_lead.c_str(), ++g_counter);
        MoveFileExA(static_cast<const char*>(notice->lpData), destination.c_str(),
            MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
    }
    return 1;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc < 2)
        return 1;
    g_lead = __argv[1];
    // Never shown: the program, too, works from the tray.
    if (!CreateReceiverWindow(instance, FloorProc, nullptr, WS_OVERLAPPEDWINDOW, 0, 0, 400, 120))
        return 3;
    return RunMessageLoop();
}
