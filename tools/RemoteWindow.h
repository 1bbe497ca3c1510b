#pragma once
// The running program seen from another process: its main window, what that shows, its other
// windows and message boxes, job notices sent to it, and input given as a person gives it.
#include <windows.h>

#include <string>
#include <vector>

// The window of class "TMainForm" and caption "VELT Imager Support" of that process (0: of any).
HWND FindMainWindowOf(DWORD processId);
HWND FindMainWindow();
// The main window of that process (0: of any) once start-up has finished, as a person sees it:
// its status bar shows the session. Null when the time is up or `process`, where given, has ended.
HWND WaitForMainWindow(DWORD processId, DWORD timeoutMs, HANDLE process = nullptr);
// Out of the tray, as a double click on the icon does; true once it is shown.
bool ShowMainWindow(HWND main);
// A menu command, as a click on the item gives it (the ids of app/resource.h).
void PostCommand(HWND main, int id);

DWORD ProcessOfWindow(HWND window);
std::string TextOf(HWND window);
// The main window's status bar (its first part), its "Stamp" field and its "IN" field.
std::string StatusText(HWND main);
std::string StampText(HWND main);
std::string InText(HWND main);
bool WaitForStatus(HWND main, const std::string& text, DWORD timeoutMs = 10000);
bool WaitForStatusPrefix(HWND main, const std::string& prefix, DWORD timeoutMs = 10000);

// Shown top-level windows of one process of that class ("#32768" menus, "#32770" boxes, ...).
std::vector<HWND> ShownWindowsOf(DWORD processId, const std::string& cls);
HWND WaitForShownWindow(DWORD processId, const std::string& cls, DWORD timeoutMs = 10000);
// One that is not among those given, once it shows.
HWND WaitForAnotherWindow(DWORD processId, const std::string& cls, const std::vector<HWND>& known, DWORD timeoutMs);
bool WaitForHidden(HWND window, DWORD timeoutMs = 10000);
// A child at any depth with that control id.
HWND ChildWithId(HWND parent, int id);
// A child at any depth of that class whose text begins with the prefix.
HWND ChildWithTextPrefix(HWND parent, const std::string& cls, const std::string& prefix);
RECT WindowRect(HWND window);
POINT CentreOf(const RECT& rect);

// Message boxes of one process: shown, read, answered like a person does (its button pressed).
std::vector<HWND> MessageBoxesOf(DWORD processId);
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = 10000);
std::string MessageBoxText(HWND box);
void AnswerMessageBox(HWND box, int button);

// A job notice as the printer side sends it: the path with its terminator, 8-bit or UTF-16LE.
LRESULT SendJobNotice(HWND main, const std::string& path, bool wide = false, ULONG_PTR kind = 1000);
// Any payload, exactly as given; `answered` tells whether the window answered in time.
LRESULT SendNotice(HWND main, ULONG_PTR kind, const void* data, DWORD size, bool* answered = nullptr);

// Real input: SendInput events, which Wine queues like those of the mouse and keyboard, so they
// reach the window under the pointer (another process's menus too) or the focus.
void MoveMouseTo(POINT screen);
void ClickAt(POINT screen);
void PressKey(WORD virtualKey);
// A key pressed while a modifier (Alt, Shift) is held down.
void PressChord(WORD modifier, WORD virtualKey);
// The window that has the focus in that window's thread; null when none has.
HWND FocusOf(HWND window);
// A key posted straight to the window that has the focus in that window's thread; false when
// none has. Independent of which window is in front.
bool PostKeyToFocus(HWND window, WORD virtualKey);
// Sends a message whose lParam points at these bytes: they are copied into the window's process,
// and what the window wrote there comes back in them. pointerAt: the offset of a pointer field
// that must point at the bytes from offset pointTo on (a text buffer); -1 for none.
LRESULT RemoteSend(HWND window, UINT message, WPARAM wParam, std::string& bytes, long pointerAt = -1,
    size_t pointTo = 0);
