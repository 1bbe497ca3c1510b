#include "e2e/E2eSupport.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>

void VimagerProcess::Start(const std::string& arguments)
{
    if (!Process::Start("vimager.exe", arguments))
        throw std::runtime_error("cannot start vimager.exe, error " + std::to_string(GetLastError()));
}

TestInstallation::TestInstallation()
{
    for (const char* folder : {"install", "lead1", "lead2", "jobs", "logs", "logs\\SealQueue"})
        CreateDirectoryA((root_ / folder).c_str(), nullptr);
    logBase_ = std::make_unique<ScopedEnv>("VELTLOGD", (root_ / "logs").c_str());
    auto base = std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, "SOFTWARE\\VELT Korvel", kView32);
    base->SetString("MyPath", InstallBase());
    keys_.push_back(std::move(base));
    DeleteFileA(WaitingJournal().c_str());
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
    DeleteFileA(WaitingJournal().c_str());
}

std::string TestInstallation::WaitingJournal()
{
    char folder[MAX_PATH] = {0};
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder);
    return std::string(folder) + "\\VELT Korvel\\VELT Imager Support\\waiting.txt";
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

void ResidentTest::TearDown()
{
    if (program_.Running()) {
        WriteFileBytes(installation_.StopFile(), "");
        EXPECT_TRUE(program_.WaitForExit(10000));
    }
}

void ResidentTest::Start()
{
    program_.Start();
    main_ = program_.WaitForWindow();
    ASSERT_NE(main_, nullptr);
    ASSERT_TRUE(ProcessIdToSessionId(program_.Id(), &session_));
    counter_ = 0;
}

std::string ResidentTest::JobName(int counter) const
{
    const std::string session = std::to_string(session_);
    char digits[16];
    snprintf(digits, sizeof digits, "%010d", counter);
    return "job" + session + std::string(digits + session.size()) + ".log";
}

namespace {

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
        {"File", {"Waiting jobs", "Retry waiting jobs", "Exit"}},
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
    // Out of the way: a list that opens under the pointer selects the entry beneath it. The keys
    // are posted to the focus: input events were seen to get lost while the drop-down opened.
    MoveMouseTo(POINT{0, 0});
    const auto PressKey = [dialog](WORD key) { PostKeyToFocus(dialog, key); };
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

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string JobText(const std::string& id, int printer)
{
    return "[Device]\r\nDeviceName=VELT Imager " + std::to_string(printer) + "\r\n[Job]\r\nId=" + id + "\r\n";
}

std::string IdOf(const std::string& content)
{
    const size_t at = content.find("\r\nId=");
    if (at == std::string::npos)
        return std::string();
    const size_t end = content.find("\r\n", at + 5);
    return content.substr(at + 5, end == std::string::npos ? std::string::npos : end - at - 5);
}

std::map<std::string, int> CountIds(const std::string& folder, std::map<std::string, std::string>* contents)
{
    std::map<std::string, int> ids;
    for (const std::string& name : ListFolder(folder)) {
        const std::string content = ReadFileBytes(folder + "\\" + name);
        const std::string id = IdOf(content);
        ++ids[id];
        if (contents)
            (*contents)[id] = content;
    }
    return ids;
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
    // Bound at run time: the tests link no more than the toolkit does.
    UniqueLibrary library(LoadLibraryA("version.dll"));
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
