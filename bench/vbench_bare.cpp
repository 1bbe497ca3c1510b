// vbench_bare LEAD1 LEAD2: a bare receiver of job notices that does, in a straight line, the
// work every faithful implementation must do for a notice on the spooler route, and nothing
// else: the stamp and path texts, the log line (opened, appended, closed), the profile read of
// the job file, the printer key's "Todo", the lead-folder test, the move and the status text.
// The log goes to "VELTLOGD"\SealQueue as the program's does. WM_CLOSE ends it.
#include "bench/Receiver.h"
#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Receiver {
    std::string Lead1, Lead2, SpoolerFolder;
    DWORD Session = 0;
    REGSAM View = 0;
    int Counter = 0;
    HWND Stamp = nullptr, Path = nullptr, Status = nullptr;
};
Receiver g_receiver;

std::string JobId(DWORD session, int counter)
{
    const std::string s = Format("%lu", static_cast<unsigned long>(session));
    const std::string c = Format("%010d", counter);
    return s.size() >= 10 ? s : s + c.substr(s.size(), 10 - s.size());
}

std::string NoticePath(const COPYDATASTRUCT& notice)
{
    const auto* bytes = static_cast<const unsigned char*>(notice.lpData);
    if (!bytes)
        return std::string();
    if (notice.cbData >= 3 && bytes[0] != 0 && bytes[1] == 0) {
        std::wstring wide(reinterpret_cast<const wchar_t*>(bytes), notice.cbData / 2);
        wide.resize(wcsnlen(wide.c_str(), wide.size()));
        const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
        if (size <= 0)
            return std::string();
        std::string text(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &text[0], size, nullptr, nullptr);
        text.resize(static_cast<size_t>(size) - 1);
        return text;
    }
    const void* end = std::memchr(bytes, 0, notice.cbData);
    return std::string(
        reinterpret_cast<const char*>(bytes), end ? static_cast<const unsigned char*>(end) - bytes : notice.cbData);
}

void AppendLog(const SYSTEMTIME& now, const std::string& text)
{
    const std::string file
        = Format("%s\\vimg%04d%02d%02d.txt", g_receiver.SpoolerFolder.c_str(), now.wYear, now.wMonth, now.wDay);
    UniqueFile log(CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
    if (!log)
        return;
    const std::string line
        = Format("%02d:%02d:%02d.%03d %s\r\n", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, text.c_str());
    SetFilePointer(log.get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void SetStatus(const std::string& text)
{
    SendMessageA(g_receiver.Status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string ReadPrinterName(const std::string& path)
{
    std::vector<char> buffer(256);
    for (;;) {
        const DWORD length = GetPrivateProfileStringA(
            "Device", "DeviceName", "", buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
        if (length + 1 < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 4);
    }
}

std::string ReadTodo(long index)
{
    HKEY opened = nullptr;
    const std::string key = Format("SOFTWARE\\VELT Korvel\\VELT Imager %ld", index);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | g_receiver.View, &opened) != ERROR_SUCCESS)
        return std::string();
    UniqueRegKey printer(opened);
    std::vector<char> value(256);
    DWORD type = 0;
    LONG status = ERROR_MORE_DATA;
    DWORD size = 0;
    // One query for the usual short value; a longer one is read again at its size.
    while (status == ERROR_MORE_DATA) {
        value.resize(size > value.size() ? size : value.size());
        size = static_cast<DWORD>(value.size());
        status = RegQueryValueExA(opened, "Todo", nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
    }
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return std::string();
    return Trim(std::string(value.data(), strnlen(value.data(), size)));
}

bool SameText(const std::string& a, const char* b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b, -1)
        == CSTR_EQUAL;
}

void Route(const std::string& path, int counter)
{
    const std::string printer = ReadPrinterName(path);
    const size_t blank = printer.rfind(' ');
    if (blank == std::string::npos) {
        SetStatus("Could not read Printer name");
        return;
    }
    const long index = std::atol(printer.c_str() + blank);
    if (index <= 0) {
        SetStatus(Format("Printer name is %ld", index));
        return;
    }
    const std::string action = ReadTodo(index);
    // Asking the user is not part of this load; any action but the spooler's ends here.
    if (SameText(action, "Ask user") || !(action.empty() || SameText(action, "SealQueue"))) {
        SetStatus("todostr = " + action);
        return;
    }
    const std::string& folder = index == 1 ? g_receiver.Lead1 : g_receiver.Lead2;
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetStatus("Directory " + folder + " does not exist!");
        return;
    }
    const std::string destination = folder + "\\job" + JobId(g_receiver.Session, counter) + ".log";
    if (!MoveFileExA(path.c_str(), destination.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        const std::string text = Format("Error %lu moving %s into %s", static_cast<unsigned long>(GetLastError()),
            path.c_str(), destination.c_str());
        SetStatus(text);
        AppendLog(now, text);
        return;
    }
    SetStatus("OUT = " + destination);
}

LRESULT CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COPYDATA: {
        const auto* notice = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        SYSTEMTIME now;
        GetLocalTime(&now);
        std::string stamp = Format("%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
        if (!notice || notice->dwData != 1000) {
            SetStatus(stamp + Format("%lu", notice ? static_cast<unsigned long>(notice->dwData) : 0ul));
            return 1;
        }
        const int counter = ++g_receiver.Counter;
        AppendFormat(stamp, " Session=%d, Counter=%d", static_cast<int>(g_receiver.Session), counter);
        SetWindowTextA(g_receiver.Stamp, stamp.c_str());
        const std::string path = NoticePath(*notice);
        AppendLog(now, "Got " + path);
        SetWindowTextA(g_receiver.Path, path.c_str());
        Route(path, counter);
        return 1;
    }
    }
    return ReceiverDefault(hwnd, msg, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc < 3)
        return 1;
    g_receiver.Lead1 = __argv[1];
    g_receiver.Lead2 = __argv[2];
    const char* base = std::getenv("VELTLOGD");
    g_receiver.SpoolerFolder = std::string(base ? base : ".") + "\\SealQueue";
    ProcessIdToSessionId(GetCurrentProcessId(), &g_receiver.Session);
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    if (system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64)
        g_receiver.View = KEY_WOW64_64KEY;

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    HWND main = CreateReceiverWindow(instance, BareProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 192, 133, 400, 140);
    if (!main)
        return 3;
    g_receiver.Stamp = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_SUNKEN | SS_LEFTNOWORDWRAP, 48, 8,
        329, 17, main, nullptr, instance, nullptr);
    g_receiver.Path = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
        WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_READONLY, 48, 32, 329, 21, main, nullptr, instance, nullptr);
    g_receiver.Status = CreateWindowExA(
        0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0, 0, 0, main, nullptr, instance, nullptr);
    int right = -1;
    SendMessageA(g_receiver.Status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
    // The program's font, so that its controls lay out the same texts.
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    UniqueGdiObject font(
        CreateFontA(-MulDiv(11, dpi > 0 ? dpi : 96, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif"));
    for (HWND control : {g_receiver.Stamp, g_receiver.Path, g_receiver.Status})
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    // Shown once and hidden, as the program is once it sits in the tray.
    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);
    ShowWindow(main, SW_HIDE);
    return RunMessageLoop();
}
