#pragma once
// The running program seen from another process: its main window and its status bar's text.
#include <windows.h>

#include <string>

// The window of class "TMainForm" and caption "VELT Imager Support" of that process (0: of any).
HWND FindMainWindowOf(DWORD processId);
// The text of a status bar's first part, read through memory allocated in its process.
std::string RemoteStatusText(HWND bar);
