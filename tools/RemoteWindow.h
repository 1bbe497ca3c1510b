#pragma once
// The running program seen from another process: its main window and its status bar's text.
#include <windows.h>

#include <string>

// The window of class "TMainForm" and caption "VELT Imager Support" of that process (0: of any).
HWND FindMainWindowOf(DWORD processId);
// The text of a status bar's first part, read through memory allocated in its process.
std::string RemoteStatusText(HWND bar);
// Sends a message whose lParam points at these bytes: they are copied into the window's process,
// and what the window wrote there comes back in them. pointerAt: the offset of a pointer field
// that must point at the bytes from offset pointTo on (a text buffer); -1 for none.
LRESULT RemoteSend(HWND window, UINT message, WPARAM wParam, std::string& bytes, long pointerAt = -1,
    size_t pointTo = 0);
