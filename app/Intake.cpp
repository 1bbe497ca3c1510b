#include "app/Vimager1.h"

#include "app/Jobtext.h"
#include "support/Vsupport1.h"
#include "toolkit/Handles.h"

#include <vector>

namespace {

// The notice's path as 8-bit text: UTF-16LE goes through the ANSI code page, and a
// conversion that yields nothing gives the empty text.
std::string DecodeNoticePath(const COPYDATASTRUCT& notice)
{
    if (!PayloadIsWide(notice.lpData, notice.cbData))
        return NarrowPayload(notice.lpData, notice.cbData);
    const std::wstring wide = WidePayload(notice.lpData, notice.cbData);
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::vector<char> text(size);
    if (WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), size, nullptr, nullptr) <= 0)
        return std::string();
    return std::string(text.data());
}

UniqueRegKey OpenForQuery(const char* path)
{
    const REGSAM access = KEY_QUERY_VALUE | (IsWindows64() ? KEY_WOW64_64KEY : 0);
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &opened) != ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(opened);
}

// A 32-bit number value; false when it is missing or of another kind.
bool QueryDword(const UniqueRegKey& key, const char* name, DWORD& value)
{
    DWORD type = 0;
    DWORD size = sizeof value;
    return RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof value;
}

} // namespace

void TMainForm::WMCopyData(TMessage& Message)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string stamp = Format("%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
    const auto* notice = reinterpret_cast<const COPYDATASTRUCT*>(Message.LParam);
    if (notice && notice->dwData == 1000) {
        // Each routing keeps its own notice's number, even when another notice
        // arrives while this one waits on a question.
        const int counter = ++JobCounter;
        AppendFormat(stamp, " Session=%d, Counter=%d", static_cast<int>(SessionId), counter);
        StaticText1.SetText(stamp);
        const std::string path = DecodeNoticePath(*notice);
        WriteLog("Got " + path);
        // No path the system takes is longer: a field fed megabytes held the sender for seconds,
        // and 64 MB brought the edit control's text layout down under Wine.
        const size_t longestPath = 32767;
        StaticText2.SetText(path.size() > longestPath ? path.substr(0, longestPath) : path);
        RouteJob(path, 0, counter);
    } else {
        AppendFormat(stamp, "%lu", notice ? static_cast<unsigned long>(notice->dwData) : 0ul);
        StatusBar1.SetSimpleText(stamp);
    }
    Message.Result = 1;
}

void TMainForm::ApplicationEvents1Idle(TObject* /*Sender*/, bool& /*Done*/)
{
    ApplicationEvents1.OnIdle = nullptr;
    GetFileVersionText(nullptr, VersionText);
    UpdateTrayHint();
    // Already out of sight (say, a question came first): then there is nothing to minimize.
    if (!Application->Minimized()) {
        TrayMinimizePending = true;
        TrayIcon1.Minimize();
    }
}

void TMainForm::Timer1Timer(TObject* /*Sender*/)
{
    if (StopFilePath.empty())
        StopFilePath = LogBaseFolder() + "\\SealQueue\\xlead.stop";
    // A routing under way (a question is open) is finished first; the next tick closes.
    if (RoutingDepth > 0 || !FileExists(StopFilePath))
        return;
    CloseRequested = true;
    Close();
}

void TMainForm::WMInitMenuPopup(TMessage& Message)
{
    const TMenuItem* item = MainMenu1.FindItemBySubMenu(reinterpret_cast<HMENU>(Message.WParam));
    if (!item || item->Name() != "Fillregistry1")
        return;
    // Only printer 1's settings show; without its "Defaults" key no mark changes.
    DWORD value = 0;
    UniqueRegKey defaults = OpenForQuery("SOFTWARE\\VELT Korvel\\VELT Imager 1\\Defaults");
    if (!defaults)
        return;
    try {
        if (QueryDword(defaults, "TXT: Enabled", value))
            Preparetext1.SetChecked(value != 0);
    } catch (...) {
    }
    defaults.reset();
    UniqueRegKey printer = OpenForQuery("SOFTWARE\\VELT Korvel\\VELT Imager 1");
    if (!printer || !QueryDword(printer, "Transfer mode", value))
        return;
    try {
        if (value == 0)
            UseEXEspecialcase1.SetChecked(true);
        else if (value == 1)
            Usemessagesrecommended1.SetChecked(true);
    } catch (...) {
    }
}
