#include "e2e/E2eSupport.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>
#include <type_traits>

std::string BinFolder()
{
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

VimagerProcess::~VimagerProcess()
{
    Kill();
}

void VimagerProcess::Start(const std::string& arguments, const std::string& program)
{
    Kill();
    const std::string exe = BinFolder() + "\\" + program;
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("CreateProcess " + exe + " failed, error " + std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
}

HWND VimagerProcess::WaitForWindow(DWORD timeoutMs)
{
    // Ready once start-up has shown the session in the status bar, as a person would see it.
    HWND found = nullptr;
    PumpUntil(
        [&] {
            found = FindMainWindowOf(processId_);
            return (found && !StatusText(found).empty()) || !Running();
        },
        timeoutMs);
    return found;
}

bool VimagerProcess::WaitForExit(DWORD timeoutMs)
{
    return !process_ || WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool VimagerProcess::Running() const
{
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD VimagerProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (process_)
        GetExitCodeProcess(process_.get(), &code);
    return code;
}

void VimagerProcess::Kill()
{
    if (Running()) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
    process_.reset();
}

DWORD RunTool(const std::string& program, const std::string& arguments, DWORD timeoutMs)
{
    VimagerProcess tool;
    tool.Start(arguments, program);
    if (!tool.WaitForExit(timeoutMs))
        return ~0u;
    return tool.ExitCode();
}

DWORD RunToolOutput(const std::string& program, const std::string& arguments, std::string& output, DWORD timeoutMs)
{
    output.clear();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        throw std::runtime_error("CreatePipe failed, error " + std::to_string(GetLastError()));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::string exe = BinFolder() + "\\" + program;
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    const BOOL started =
        CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    const DWORD startError = GetLastError();
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        throw std::runtime_error("CreateProcess " + exe + " failed, error " + std::to_string(startError));
    }
    CloseHandle(info.hThread);
    // Read while it runs, so that a full pipe never blocks it; the pipe ends when its last writer does.
    const DWORD start = GetTickCount();
    bool ended = false;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr))
            break;
        if (available > 0) {
            char buffer[4096];
            DWORD read = 0;
            if (!ReadFile(readEnd, buffer, available < sizeof buffer ? available : sizeof buffer, &read, nullptr))
                break;
            output.append(buffer, read);
            continue;
        }
        if (GetTickCount() - start > timeoutMs)
            break;
        ended = WaitForSingleObject(info.hProcess, 10) == WAIT_OBJECT_0 || ended;
    }
    CloseHandle(readEnd);
    DWORD code = ~0u;
    if (WaitForSingleObject(info.hProcess, ended ? 5000 : 0) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    else
        TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hProcess);
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    return code;
}

namespace {

std::string WindowText(HWND hwnd)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    text.resize(strlen(text.c_str()));
    return text;
}

HWND Child(HWND parent, const char* cls, int index)
{
    HWND child = nullptr;
    for (int i = 0; i <= index && (child = FindWindowExA(parent, child, cls, nullptr)); ++i) {
    }
    return child;
}

} // namespace

HWND FindMainWindow()
{
    return FindWindowA("TMainForm", "VELT Imager Support");
}

std::string StatusText(HWND main)
{
    return RemoteStatusText(Child(main, STATUSCLASSNAMEA, 0));
}

std::string StampText(HWND main)
{
    // The labels "Stamp" and "IN" are statics too: the stamp field is the second static.
    return WindowText(Child(main, "Static", 1));
}

std::string InText(HWND main)
{
    return WindowText(Child(main, "Edit", 0));
}

bool WaitForStatus(HWND main, const std::string& text, DWORD timeoutMs)
{
    return PumpUntil([&] { return StatusText(main) == text; }, timeoutMs);
}

bool WaitForStatusPrefix(HWND main, const std::string& prefix, DWORD timeoutMs)
{
    return PumpUntil([&] { return StatusText(main).compare(0, prefix.size(), prefix) == 0; }, timeoutMs);
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

TestInstallation::TestInstallation()
{
    for (const char* folder : {"install", "lead1", "lead2", "jobs", "logs", "logs\\SealQueue"})
        CreateDirectoryA((root_ / folder).c_str(), nullptr);
    logBase_ = std::make_unique<ScopedEnv>("VELTLOGD", (root_ / "logs").c_str());
    auto base = std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, "SOFTWARE\\VELT Korvel", kView32);
    base->SetString("MyPath", InstallBase());
    keys_.push_back(std::move(base));
    WriteFileBytes(InstallBase() + "\\xLead.xml",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SealQueue>\r\n  <Lead><TempVImg>" + Lead1() +
                       "</TempVImg></Lead>\r\n  <Lead2><TempVImg>" + Lead2() + "</TempVImg></Lead2>\r\n</SealQueue>\r\n");
}

TestInstallation::~TestInstallation()
{
    for (int index : {1, 2, 3})
        RemovePrinter(index);
    for (const char* key : {"SOFTWARE\\VELT Korvel\\EmfRaster", "SOFTWARE\\VELT Korvel\\EmfRaster2",
                            "SOFTWARE\\VELT Korvel\\EmfRaster3"})
        DeleteRegTree(HKEY_CURRENT_USER, key);
    keys_.clear();
}

std::string TestInstallation::LogFile() const
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[32];
    snprintf(name, sizeof name, "\\vimg%04d%02d%02d.txt", now.wYear, now.wMonth, now.wDay);
    return SpoolerFolder() + name;
}

void TestInstallation::SetPrinter(int index, const std::string& todo)
{
    const std::string path = "SOFTWARE\\VELT Korvel\\VELT Imager " + std::to_string(index);
    auto key = std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, path, kView64);
    if (!todo.empty())
        key->SetString("Todo", todo);
    keys_.push_back(std::move(key));
}

void TestInstallation::RemovePrinter(int index)
{
    DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\VELT Korvel\\VELT Imager " + std::to_string(index), kView64);
}

void TestInstallation::SetConverter(int index, const std::string& exePath)
{
    const std::string path = "SOFTWARE\\VELT Korvel\\EmfRaster" + (index > 1 ? std::to_string(index) : std::string());
    auto key = std::make_unique<ScopedRegKey>(HKEY_CURRENT_USER, path);
    key->SetString("ExePath", exePath);
    keys_.push_back(std::move(key));
}

void TestInstallation::SetTransfer(int index, DWORD transferMode, const std::string& clientApplication)
{
    const std::string path = "SOFTWARE\\VELT Korvel\\VELT Imager " + std::to_string(index);
    auto key = std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, path, kView64);
    key->SetString("Client application", clientApplication);
    key->SetString("Target window class", "TMainForm");
    key->SetString("Target window title", "VELT Imager Support");
    key->SetDword("Transfer mode", transferMode);
    keys_.push_back(std::move(key));
}

void TestInstallation::AddDefaults(int index)
{
    const std::string path = "SOFTWARE\\VELT Korvel\\VELT Imager " + std::to_string(index) + "\\Defaults";
    keys_.push_back(std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, path, kView64));
}

std::string TestInstallation::MakeJob(const std::string& name, int printerIndex)
{
    const std::string path = Jobs() + "\\" + name;
    WriteJobFile(path, "VELT Imager " + std::to_string(printerIndex));
    return path;
}

namespace {

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

struct ShownContext {
    DWORD processId;
    std::string cls;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectShown(HWND hwnd, LPARAM context)
{
    auto* shown = reinterpret_cast<ShownContext*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[256];
    if (pid == shown->processId && IsWindowVisible(hwnd) && GetClassNameA(hwnd, cls, sizeof cls)
        && lstrcmpiA(cls, shown->cls.c_str()) == 0)
        shown->found.push_back(hwnd);
    return TRUE;
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

struct ChildContext {
    int id;
    std::string cls;
    std::string prefix;
    HWND found;
};

BOOL CALLBACK FindChildById(HWND hwnd, LPARAM context)
{
    auto* find = reinterpret_cast<ChildContext*>(context);
    if (GetDlgCtrlID(hwnd) != find->id)
        return TRUE;
    find->found = hwnd;
    return FALSE;
}

BOOL CALLBACK FindChildByText(HWND hwnd, LPARAM context)
{
    auto* find = reinterpret_cast<ChildContext*>(context);
    char cls[256];
    if (!GetClassNameA(hwnd, cls, sizeof cls) || lstrcmpiA(cls, find->cls.c_str()) != 0
        || TextOf(hwnd).compare(0, find->prefix.size(), find->prefix) != 0)
        return TRUE;
    find->found = hwnd;
    return FALSE;
}

template <typename... Parts> std::string Failed(const Parts&... parts)
{
    std::ostringstream text;
    (text << ... << parts);
    return text.str();
}

// The program's menu as its resource lays it out, by the path of texts to each drop-down; "-" is a separator.
const std::vector<std::string>* MenuItemsOf(const std::string& path)
{
    static const std::map<std::string, std::vector<std::string>> menus{
        {"", {"File", "Tools", "Help"}},
        {"File", {"Exit"}},
        {"Tools", {"Fill registry", "Setup actions"}},
        {"Tools>Fill registry", {"Use messages (recommended)", "Use command line (special case)", "-", "Prepare text"}},
        {"Help", {"About"}},
    };
    const auto found = menus.find(path);
    return found == menus.end() ? nullptr : &found->second;
}

// Wine lays the menu bar out as each item's text plus this many pixels, side by side.
constexpr int kBarItemSpace = 14;

struct PickList {
    HWND grid = nullptr;
    HWND editor = nullptr;
};

// The grid is a list view; its drop-down editor sits on the value cell of the selected row.
bool FindPickList(HWND dialog, PickList& pick)
{
    pick.grid = FindWindowExA(dialog, nullptr, WC_LISTVIEWA, nullptr);
    pick.editor = pick.grid ? FindWindowExA(pick.grid, nullptr, "ComboBox", nullptr) : nullptr;
    return pick.editor && IsWindowVisible(pick.editor);
}

// A data row's value cell (row 1 = first) in screen coordinates, asked of the list view.
RECT ValueCell(HWND grid, int row)
{
    std::string bytes(sizeof(RECT), '\0');
    RECT cell{LVIR_BOUNDS, 1, 0, 0};
    std::memcpy(&bytes[0], &cell, sizeof cell);
    RemoteSend(grid, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row - 1), bytes);
    std::memcpy(&cell, bytes.data(), sizeof cell);
    MapWindowPoints(grid, nullptr, reinterpret_cast<POINT*>(&cell), 2);
    return cell;
}

// Just placed, or just closed, the drop-down can for a moment be as high as with its list open:
// wait until it sits on a row with the row's height.
std::string WaitForPickList(HWND dialog, PickList& pick)
{
    if (PumpUntil([&] { return FindPickList(dialog, pick); }, 5000))
        return std::string();
    if (!pick.editor)
        return Failed("no drop-down in the grid");
    return Failed("the grid's drop-down is hidden");
}

} // namespace

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

std::vector<HWND> ShownWindowsOf(DWORD processId, const std::string& cls)
{
    ShownContext shown{processId, cls, {}};
    EnumWindows(CollectShown, reinterpret_cast<LPARAM>(&shown));
    return shown.found;
}

HWND WaitForShownWindow(DWORD processId, const std::string& cls, DWORD timeoutMs)
{
    return WaitForAnotherWindow(processId, cls, {}, timeoutMs);
}

bool WaitForHidden(HWND window, DWORD timeoutMs)
{
    return PumpUntil([&] { return !IsWindowVisible(window); }, timeoutMs);
}

HWND ChildWithId(HWND parent, int id)
{
    ChildContext find{id, std::string(), std::string(), nullptr};
    EnumChildWindows(parent, FindChildById, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

std::string TextOf(HWND window)
{
    return WindowText(window);
}

HWND ChildWithTextPrefix(HWND parent, const std::string& cls, const std::string& prefix)
{
    ChildContext find{0, cls, prefix, nullptr};
    EnumChildWindows(parent, FindChildByText, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

bool ShowMainWindow(HWND main)
{
    if (!IsWindowVisible(main) || IsIconic(main))
        PostMessageA(main, WM_APP + 1, 1, WM_LBUTTONDBLCLK);
    return PumpUntil([&] { return IsWindowVisible(main) && !IsIconic(main); }, 10000);
}

std::string ClickMenu(HWND main, const std::vector<std::string>& path)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    if (path.size() < 2)
        return Failed("a menu path names a drop-down and an item");
    if (!IsWindowVisible(main))
        return Failed("the main window is not shown");
    if (!ShownWindowsOf(pid, "#32768").empty())
        return Failed("a menu is open already");

    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectA(&metrics.lfMenuFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ oldFont = SelectObject(dc, font);
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    LONG left = origin.x;
    LONG width = 0;
    bool found = false;
    for (const std::string& text : *MenuItemsOf("")) {
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        width = size.cx + kBarItemSpace;
        if (text == path[0]) {
            found = true;
            break;
        }
        left += width;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    if (!found)
        return Failed("no menu \"", path[0], "\"");

    // The bar is the menu line right above the client area.
    ClickAt(POINT{left + width / 2, origin.y - GetSystemMetrics(SM_CYMENU) / 2});
    std::vector<HWND> popups;
    HWND popup = WaitForAnotherWindow(pid, "#32768", popups, 5000);
    if (!popup)
        return Failed("the \"", path[0], "\" menu did not open");
    // A drop-down opens at its bar item's left edge: a check that the bar was measured right.
    if (std::abs(WindowRect(popup).left - left) > 3)
        return Failed(
            "the \"", path[0], "\" menu opened at x ", WindowRect(popup).left, ", its item was expected at ", left);
    popups.push_back(popup);

    const int rowHeight = GetSystemMetrics(SM_CYMENU) - 1;
    int border = -1;
    std::string key = path[0];
    for (size_t step = 1; step < path.size(); ++step) {
        const std::vector<std::string>* items = MenuItemsOf(key);
        if (!items)
            return Failed("\"", key, "\" holds no drop-down");
        const auto item = std::find(items->begin(), items->end(), path[step]);
        if (item == items->end())
            return Failed("no item \"", path[step], "\" in \"", key, "\"");
        const int separators = static_cast<int>(std::count(items->begin(), items->end(), "-"));
        const int texts = static_cast<int>(items->size()) - separators;
        const RECT rect = WindowRect(popup);
        const int height = static_cast<int>(rect.bottom - rect.top);
        // Text rows are one menu line high; the frame comes from a drop-down without separators.
        if (border < 0) {
            if (separators > 0)
                return Failed("cannot measure the frame of \"", key, "\"");
            border = (height - texts * rowHeight) / 2;
        }
        const int separatorHeight = separators > 0 ? (height - 2 * border - texts * rowHeight) / separators : 0;
        LONG y = rect.top + border;
        for (auto before = items->begin(); before != item; ++before)
            y += *before == "-" ? separatorHeight : rowHeight;
        ClickAt(POINT{(rect.left + rect.right) / 2, y + rowHeight / 2});
        if (step + 1 < path.size()) {
            popup = WaitForAnotherWindow(pid, "#32768", popups, 5000);
            if (!popup)
                return Failed("the \"", path[step], "\" submenu did not open");
            popups.push_back(popup);
            key += ">" + path[step];
        }
    }
    if (!PumpUntil([&] { return ShownWindowsOf(pid, "#32768").empty(); }, 5000))
        return Failed("the menu stayed open after a click on \"", path.back(), "\"");
    return std::string();
}

int EditorRow(HWND dialog)
{
    PickList pick;
    if (!FindPickList(dialog, pick))
        return 0;
    const LONG top = WindowRect(pick.editor).top;
    const int rows = static_cast<int>(SendMessageA(pick.grid, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 1; row <= rows; ++row)
        if (ValueCell(pick.grid, row).top == top)
            return row;
    return 0;
}

std::string GridCellText(HWND dialog, int row, int column)
{
    HWND grid = FindWindowExA(dialog, nullptr, WC_LISTVIEWA, nullptr);
    if (!grid)
        return "<no grid>";
    LVITEMA item{};
    item.iSubItem = column;
    item.cchTextMax = 256;
    std::string bytes(sizeof item + 256, '\0');
    std::memcpy(&bytes[0], &item, sizeof item);
    RemoteSend(grid, LVM_GETITEMTEXTA, static_cast<WPARAM>(row - 1), bytes, offsetof(LVITEMA, pszText), sizeof item);
    return bytes.c_str() + sizeof item;
}

int ShownEntry(HWND dialog)
{
    PickList pick;
    if (!FindPickList(dialog, pick))
        return -1;
    DWORD_PTR selected = static_cast<DWORD_PTR>(CB_ERR);
    SendMessageTimeoutA(pick.editor, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selected);
    return static_cast<int>(static_cast<LRESULT>(selected));
}

namespace {

std::string PickOpened(HWND dialog, int row, HWND list)
{
    if (!list)
        return Failed("the drop-down of row ", row, " did not open");
    if (EditorRow(dialog) != row)
        return Failed("the drop-down opened on row ", EditorRow(dialog), ", not ", row);
    return std::string();
}

std::string PickClosedOn(HWND dialog, HWND list, int entry)
{
    if (!WaitForHidden(list, 5000))
        return Failed("the drop-down stayed open");
    if (!PumpUntil([&] { return ShownEntry(dialog) == entry; }, 5000))
        return Failed("the row shows entry ", ShownEntry(dialog), ", not ", entry);
    return std::string();
}

} // namespace

std::string ChooseByMouse(HWND dialog, int row, int entry)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(dialog, &pid);
    PickList pick;
    const std::string found = WaitForPickList(dialog, pick);
    if (!found.empty())
        return found;
    ClickAt(CentreOf(ValueCell(pick.grid, row)));
    HWND list = WaitForShownWindow(pid, "ComboLBox", 5000);
    const std::string opened = PickOpened(dialog, row, list);
    if (!opened.empty())
        return opened;
    DWORD_PTR itemHeight = 0;
    DWORD_PTR top = 0;
    SendMessageTimeoutA(pick.editor, CB_GETITEMHEIGHT, 0, 0, SMTO_ABORTIFHUNG, 5000, &itemHeight);
    SendMessageTimeoutA(list, LB_GETTOPINDEX, 0, 0, SMTO_ABORTIFHUNG, 5000, &top);
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    RECT client{};
    GetClientRect(list, &client);
    const LONG pitch = static_cast<LONG>(itemHeight);
    ClickAt(POINT{origin.x + client.right / 2, origin.y + (entry - static_cast<LONG>(top)) * pitch + pitch / 2});
    return PickClosedOn(dialog, list, entry);
}

std::string ChooseByKeys(HWND dialog, int row, int entry)
{
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(dialog, &pid);
    PickList pick;
    const std::string found = WaitForPickList(dialog, pick);
    if (!found.empty())
        return found;
    // A dialog just shown gives the grid the focus once it is active.
    const bool focused = PumpUntil(
        [&] {
            GUITHREADINFO gui{};
            gui.cbSize = sizeof gui;
            return GetGUIThreadInfo(thread, &gui) && gui.hwndFocus == pick.grid;
        },
        5000);
    if (!focused)
        return Failed("the grid does not have the keyboard focus");
    // Out of the way: a list that opens under the pointer selects the entry beneath it.
    MoveMouseTo(POINT{0, 0});
    PressKey(VK_HOME);
    for (int i = 1; i < row; ++i)
        PressKey(VK_DOWN);
    if (!PumpUntil([&] { return EditorRow(dialog) == row; }, 5000))
        return Failed("the keys reached row ", EditorRow(dialog), ", not ", row);
    PressKey(VK_F4);
    HWND list = WaitForShownWindow(pid, "ComboLBox", 5000);
    const std::string opened = PickOpened(dialog, row, list);
    if (!opened.empty())
        return opened;
    // Down from no selection lands on the first entry.
    const int current = ShownEntry(dialog);
    const int steps = current < 0 ? entry + 1 : entry - current;
    for (int i = 0; i < std::abs(steps); ++i)
        PressKey(steps > 0 ? VK_DOWN : VK_UP);
    PressKey(VK_RETURN);
    return PickClosedOn(dialog, list, entry);
}

std::string ClickButton(HWND window, int id)
{
    HWND button = ChildWithId(window, id);
    if (!button || !IsWindowVisible(button))
        return Failed("no button ", id);
    if (!IsWindowEnabled(button))
        return Failed("button ", id, " is disabled");
    ClickAt(CentreOf(WindowRect(button)));
    return std::string();
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs)
{
    return WaitForShownWindow(processId, "#32770", timeoutMs);
}

void AnswerMessageBox(HWND box, int button)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

std::vector<DWORD> ProcessesOf(const std::string& exeName)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        const char* name = strrchr(entry.szExeFile, '\\');
        if (lstrcmpiA(name ? name + 1 : entry.szExeFile, exeName.c_str()) == 0)
            found.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return found;
}

DWORD WaitForNewProcess(const std::string& exeName, const std::vector<DWORD>& known, DWORD timeoutMs)
{
    DWORD found = 0;
    PumpUntil(
        [&] {
            for (DWORD pid : ProcessesOf(exeName))
                if (std::find(known.begin(), known.end(), pid) == known.end())
                    found = pid;
            return found != 0;
        },
        timeoutMs);
    return found;
}

namespace {

void* Bound(HMODULE library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(library, name));
}

} // namespace

std::string FileVersionOf(const std::string& path)
{
    using SizeFunction = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFunction = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    struct Unload {
        void operator()(HMODULE module) const { FreeLibrary(module); }
    };
    // Bound at run time: the tests link no more than the toolkit does.
    std::unique_ptr<std::remove_pointer<HMODULE>::type, Unload> library(LoadLibraryA("version.dll"));
    if (!library)
        return std::string();
    auto size = reinterpret_cast<SizeFunction>(Bound(library.get(), "GetFileVersionInfoSizeA"));
    auto info = reinterpret_cast<InfoFunction>(Bound(library.get(), "GetFileVersionInfoA"));
    auto query = reinterpret_cast<QueryFunction>(Bound(library.get(), "VerQueryValueA"));
    if (!size || !info || !query)
        return std::string();
    DWORD handle = 0;
    const DWORD bytes = size(path.c_str(), &handle);
    std::vector<char> data(bytes);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (bytes == 0 || !info(path.c_str(), handle, bytes, data.data())
        || !query(data.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length) || !fixed)
        return std::string();
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "."
        + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}
