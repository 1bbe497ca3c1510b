// vimager-printers.dll: points the installed printers at the program as Tools > Fill registry >
// "Use messages (recommended)" does, and takes that back at uninstall. Both packages use it: the
// MSI as custom actions, the NSIS setup through its System plug-in. Key paths, value names and the
// registry view come from the program's own definitions.
#include "support/PrinterKeys.h"
#include "toolkit/Handles.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

namespace {

// What the main window registers and shows: the target of the printers' job notices.
constexpr char kWindowClass[] = "TMainForm";
constexpr char kWindowTitle[] = "VELT Imager Support";
constexpr DWORD kTransferByMessage = 1;
constexpr int kPrinterCount = 2;

// Opens an installed printer's key; never creates one.
UniqueRegKey OpenPrinterKey(int index)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PrinterKeyPath(index).c_str(), 0, PrinterKeyAccess(KEY_ALL_ACCESS),
            &opened) != ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(opened);
}

// The terminating zero is stored with the text, as the program stores it.
LONG SetText(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(
        key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

std::string QueryText(HKEY key, const char* name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return std::string();
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return std::string();
    return data.data();
}

// Returns how many printers now point at the program.
int PointAt(const std::string& exe)
{
    int done = 0;
    for (int index = 1; index <= kPrinterCount; ++index) {
        UniqueRegKey key = OpenPrinterKey(index);
        if (!key)
            continue;
        const DWORD mode = kTransferByMessage;
        if (SetText(key.get(), PrinterValue::ClientApplication, exe) == ERROR_SUCCESS &&
            SetText(key.get(), PrinterValue::TargetWindowClass, kWindowClass) == ERROR_SUCCESS &&
            SetText(key.get(), PrinterValue::TargetWindowTitle, kWindowTitle) == ERROR_SUCCESS &&
            RegSetValueExA(key.get(), PrinterValue::TransferMode, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mode),
                sizeof mode) == ERROR_SUCCESS)
            ++done;
    }
    return done;
}

// Only where the printer still points at this copy: an administrator may have pointed it at
// another one since.
int UnpointFrom(const std::string& exe)
{
    int done = 0;
    for (int index = 1; index <= kPrinterCount; ++index) {
        UniqueRegKey key = OpenPrinterKey(index);
        if (!key || lstrcmpiA(QueryText(key.get(), PrinterValue::ClientApplication).c_str(), exe.c_str()) != 0)
            continue;
        for (const char* name : {PrinterValue::ClientApplication, PrinterValue::TargetWindowClass,
                 PrinterValue::TargetWindowTitle, PrinterValue::TransferMode})
            RegDeleteValueA(key.get(), name);
        ++done;
    }
    return done;
}

// A deferred custom action sees only its CustomActionData: the installed program's path.
std::string ActionData(MSIHANDLE install)
{
    DWORD size = 0;
    char empty[1] = "";
    if (MsiGetPropertyA(install, "CustomActionData", empty, &size) != ERROR_MORE_DATA)
        return std::string();
    std::vector<char> data(size + 1, '\0');
    size = static_cast<DWORD>(data.size());
    if (MsiGetPropertyA(install, "CustomActionData", data.data(), &size) != ERROR_SUCCESS)
        return std::string();
    return data.data();
}

// One owner for a Windows Installer record.
class Record {
public:
    explicit Record(UINT fields) : handle_(MsiCreateRecord(fields)) {}
    ~Record()
    {
        if (handle_)
            MsiCloseHandle(handle_);
    }
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;
    MSIHANDLE get() const { return handle_; }

private:
    MSIHANDLE handle_;
};

void Log(MSIHANDLE install, const std::string& text)
{
    Record record(1);
    MsiRecordSetStringA(record.get(), 0, text.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.get());
}

} // namespace

// A printer that is not installed is no failure: the packages never fail over the printers.
extern "C" __declspec(dllexport) UINT __stdcall PointPrinters(MSIHANDLE install)
{
    const std::string exe = ActionData(install);
    if (!exe.empty())
        Log(install, "Printers pointed at " + exe + ": " + std::to_string(PointAt(exe)));
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall UnpointPrinters(MSIHANDLE install)
{
    const std::string exe = ActionData(install);
    if (!exe.empty())
        Log(install, "Printers no longer pointed at " + exe + ": " + std::to_string(UnpointFrom(exe)));
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) int __stdcall PointPrintersAt(const char* exe)
{
    return exe && *exe ? PointAt(exe) : 0;
}

extern "C" __declspec(dllexport) int __stdcall UnpointPrintersFrom(const char* exe)
{
    return exe && *exe ? UnpointFrom(exe) : 0;
}
