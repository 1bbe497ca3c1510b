#pragma once
// What the bare receivers of the bench share: a window with the program's class and caption, so
// that the same sender reaches it, and a message loop that WM_CLOSE ends.
#include <windows.h>

// The receiver's window procedure hands on what it does not handle itself.
inline LRESULT ReceiverDefault(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

inline HWND CreateReceiverWindow(HINSTANCE instance, WNDPROC proc, HBRUSH background, DWORD style, int x, int y,
    int width, int height)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hbrBackground = background;
    wc.lpszClassName = "TMainForm";
    if (!RegisterClassA(&wc))
        return nullptr;
    return CreateWindowExA(
        0, "TMainForm", "VELT Imager Support", style, x, y, width, height, nullptr, nullptr, instance, nullptr);
}

inline int RunMessageLoop()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
