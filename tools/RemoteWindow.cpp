#include "tools/RemoteWindow.h"

#include "tools/RemoteProcess.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr char kMainClass[] = "TMainForm";
constexpr char kMainCaption[] = "VELT Imager Support";
// What the shell sends to the program's tray icon message.
constexpr UINT kTrayMessage = WM_APP + 1;

std::string ClassOf(HWND window)
{
    char cls[256] = "";
    GetClassNameA(window, cls, sizeof cls);
    return cls;
}

BOOL CALLBACK Collect(HWND hwnd, LPARAM windows)
{
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(hwnd);
    return TRUE;
}

// Without a message: another process's window answers even while it is busy.
std::string CaptionOf(HWND window)
{
    char caption[256] = "";
    GetWindowTextA(window, caption, sizeof caption);
    return caption;
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> windows;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Children at any depth.
std::vector<HWND> Descendants(HWND parent)
{
    std::vector<HWND> windows;
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND Child(HWND parent, const char* cls, int index)
{
    HWND child = nullptr;
    for (int i = 0; i <= index && (child = FindWindowExA(parent, child, cls, nullptr)); ++i) {
    }
    return child;
}

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

void SendKey(WORD virtualKey, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

} // namespace

HWND FindMainWindowOf(DWORD processId)
{
    for (HWND window : TopLevelWindows())
        if ((processId == 0 || ProcessOfWindow(window) == processId) && ClassOf(window) == kMainClass &&
            CaptionOf(window) == kMainCaption)
            return window;
    return nullptr;
}

HWND FindMainWindow()
{
    return FindWindowA(kMainClass, kMainCaption);
}

HWND WaitForMainWindow(DWORD processId, DWORD timeoutMs, HANDLE process)
{
    HWND found = nullptr;
    const bool ready = PumpUntil(
        [&] {
            found = FindMainWindowOf(processId);
            return (found && !StatusText(found).empty()) ||
                   (process && WaitForSingleObject(process, 0) != WAIT_TIMEOUT);
        },
        timeoutMs);
    return ready ? found : nullptr;
}

bool ShowMainWindow(HWND main)
{
    const auto shown = [&] { return IsWindowVisible(main) && !IsIconic(main); };
    // Just after start the window shows and goes to the tray at its first idle moment; a double
    // click that came before that is lost, so ask again until the window stays out.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (!shown())
            PostMessageA(main, kTrayMessage, 1, WM_LBUTTONDBLCLK);
        if (PumpUntil(shown, 2000) && !PumpUntil([&] { return !shown(); }, 250))
            return true;
    }
    return false;
}

void PostCommand(HWND main, int id)
{
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

DWORD ProcessOfWindow(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::string TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::string StatusText(HWND main)
{
    // The bar copies its text into memory of its own process.
    const HWND bar = Child(main, STATUSCLASSNAMEA, 0);
    if (!bar)
        return std::string();
    DWORD_PTR info = 0;
    SendMessageTimeoutA(bar, SB_GETTEXTLENGTHA, 0, 0, SMTO_ABORTIFHUNG, 5000, &info);
    std::string text(LOWORD(info) + 1, '\0');
    RemoteSend(bar, SB_GETTEXTA, 0, text);
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::string StampText(HWND main)
{
    // The labels "Stamp" and "IN" are statics too: the stamp field is the second static.
    return TextOf(Child(main, "Static", 1));
}

std::string InText(HWND main)
{
    return TextOf(Child(main, "Edit", 0));
}

bool WaitForStatus(HWND main, const std::string& text, DWORD timeoutMs)
{
    return PumpUntil([&] { return StatusText(main) == text; }, timeoutMs);
}

bool WaitForStatusPrefix(HWND main, const std::string& prefix, DWORD timeoutMs)
{
    return PumpUntil([&] { return StatusText(main).compare(0, prefix.size(), prefix) == 0; }, timeoutMs);
}

std::vector<HWND> ShownWindowsOf(DWORD processId, const std::string& cls)
{
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows())
        if (ProcessOfWindow(window) == processId && IsWindowVisible(window) &&
            lstrcmpiA(ClassOf(window).c_str(), cls.c_str()) == 0)
            found.push_back(window);
    return found;
}

HWND WaitForShownWindow(DWORD processId, const std::string& cls, DWORD timeoutMs)
{
    return WaitForAnotherWindow(processId, cls, {}, timeoutMs);
}

HWND WaitForAnotherWindow(DWORD processId, const std::string& cls, const std::vector<HWND>& known, DWORD timeoutMs)
{
    HWND found = nullptr;
    PumpUntil(
        [&] {
            for (HWND window : ShownWindowsOf(processId, cls))
                if (std::find(known.begin(), known.end(), window) == known.end())
                    found = window;
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

bool WaitForHidden(HWND window, DWORD timeoutMs)
{
    return PumpUntil([&] { return !IsWindowVisible(window); }, timeoutMs);
}

HWND ChildWithId(HWND parent, int id)
{
    for (HWND child : Descendants(parent))
        if (GetDlgCtrlID(child) == id)
            return child;
    return nullptr;
}

HWND ChildWithTextPrefix(HWND parent, const std::string& cls, const std::string& prefix)
{
    for (HWND child : Descendants(parent))
        if (lstrcmpiA(ClassOf(child).c_str(), cls.c_str()) == 0 && TextOf(child).compare(0, prefix.size(), prefix) == 0)
            return child;
    return nullptr;
}

RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

POINT CentreOf(const RECT& rect)
{
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::vector<HWND> MessageBoxesOf(DWORD processId)
{
    return ShownWindowsOf(processId, "#32770");
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs)
{
    return WaitForShownWindow(processId, "#32770", timeoutMs);
}

std::string MessageBoxText(HWND box)
{
    char text[4096] = "";
    // The box's text is its static control 0xFFFF.
    if (GetDlgItemTextA(box, 0xFFFF, text, sizeof text) > 0)
        return text;
    std::string longest;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0) {
            const std::string shown = TextOf(child);
            if (shown.size() > longest.size())
                longest = shown;
        }
    }
    return longest;
}

void AnswerMessageBox(HWND box, int button)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

LRESULT SendNotice(HWND main, ULONG_PTR kind, const void* data, DWORD size, bool* answered)
{
    COPYDATASTRUCT notice{kind, size, const_cast<void*>(data)};
    DWORD_PTR result = 0;
    const LRESULT ok = SendMessageTimeoutA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice), SMTO_NORMAL,
                                           60000, &result);
    if (answered)
        *answered = ok != 0;
    return static_cast<LRESULT>(result);
}

LRESULT SendJobNotice(HWND main, const std::string& path, bool wide, ULONG_PTR kind)
{
    if (!wide)
        return SendNotice(main, kind, path.c_str(), static_cast<DWORD>(path.size() + 1));
    std::wstring text(path.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &text[0], static_cast<int>(text.size()));
    text.resize(length > 0 ? length : 1);
    return SendNotice(main, kind, text.c_str(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

void MoveMouseTo(POINT screen)
{
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    // Absolute moves count in 65536ths of the screen: rounded up, they map back onto the pixel.
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (screen.x * 65536 + width - 1) / width,
              (screen.y * 65536 + height - 1) / height);
    POINT now{};
    if (GetCursorPos(&now) && (now.x != screen.x || now.y != screen.y))
        SetCursorPos(screen.x, screen.y);
}

void ClickAt(POINT screen)
{
    MoveMouseTo(screen);
    Sleep(20);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(20);
    SendMouse(MOUSEEVENTF_LEFTUP);
}

void PressKey(WORD virtualKey)
{
    SendKey(virtualKey, 0);
    Sleep(10);
    SendKey(virtualKey, KEYEVENTF_KEYUP);
}

void PressChord(WORD modifier, WORD virtualKey)
{
    SendKey(modifier, 0);
    PressKey(virtualKey);
    SendKey(modifier, KEYEVENTF_KEYUP);
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

LRESULT RemoteSend(HWND window, UINT message, WPARAM wParam, std::string& bytes, long pointerAt, size_t pointTo)
{
    UniqueHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOfWindow(window)));
    if (!process || bytes.empty())
        return 0;
    auto* remote = static_cast<char*>(VirtualAllocEx(process.get(), nullptr, bytes.size(), MEM_COMMIT, PAGE_READWRITE));
    if (!remote)
        return 0;
    if (pointerAt >= 0) {
        char* target = remote + pointTo;
        std::memcpy(&bytes[static_cast<size_t>(pointerAt)], &target, sizeof target);
    }
    DWORD_PTR result = 0;
    SIZE_T done = 0;
    WriteProcessMemory(process.get(), remote, bytes.data(), bytes.size(), &done);
    SendMessageTimeoutA(window, message, wParam, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 5000, &result);
    ReadProcessMemory(process.get(), remote, &bytes[0], bytes.size(), &done);
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return static_cast<LRESULT>(result);
}

bool PostKeyToFocus(HWND window, WORD virtualKey)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || !info.hwndFocus)
        return false;
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(info.hwndFocus, WM_KEYDOWN, virtualKey, 1 | scan);
    PostMessageA(info.hwndFocus, WM_KEYUP, virtualKey, 1 | scan | (1u << 30) | (1u << 31));
    return true;
}
