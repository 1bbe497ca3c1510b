#include "support/Vsupport1.h"

#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"

#include <windows.h>

#include <vector>

// Placeholders until the base folders and the settings reader land.
void GetInstallBaseFolder(std::string& folder) { folder = "c:\\VELT Korvel"; }
bool GetCommonDataFolder(std::string&) { return false; }
std::string cPARAMNODE::GetValue(const std::string&) const { return std::string(); }
cPARAMBASE2::cPARAMBASE2(std::string, std::string) {}
cPARAMBASE2::~cPARAMBASE2() = default;

namespace {

template <typename Function>
Function Bind(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

} // namespace

bool IsAdminElevated()
{
    // A capability probe: only a fully privileged administrator may open the service
    // manager with this access.
    UniqueLibrary advapi(LoadLibraryA("Advapi32.dll"));
    if (!advapi)
        return false;
    using OpenSCManagerFn = SC_HANDLE(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    using CloseServiceHandleFn = BOOL(WINAPI*)(SC_HANDLE);
    auto openManager = Bind<OpenSCManagerFn>(advapi.get(), "OpenSCManagerA");
    auto closeHandle = Bind<CloseServiceHandleFn>(advapi.get(), "CloseServiceHandle");
    if (!openManager || !closeHandle)
        return false;
    SC_HANDLE manager = openManager(nullptr, nullptr, GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE);
    if (!manager)
        return false;
    closeHandle(manager);
    return true;
}

bool IsWindows64()
{
    UniqueLibrary kernel(LoadLibraryA("kernel32.dll"));
    if (!kernel)
        return false;
    using GetNativeSystemInfoFn = void(WINAPI*)(LPSYSTEM_INFO);
    auto getNativeSystemInfo = Bind<GetNativeSystemInfoFn>(kernel.get(), "GetNativeSystemInfo");
    if (!getNativeSystemInfo)
        return false;
    SYSTEM_INFO info{};
    getNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

void GetFileVersionText(const char* path, std::string& text)
{
    const std::string file = path ? std::string(path) : ModuleFileName();
    text = "Undefined";
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    if (size == 0)
        return;
    try {
        std::vector<BYTE> buffer(size);
        if (!GetFileVersionInfoA(file.c_str(), handle, size, buffer.data())) {
            AppendFormat(text, ", error %lu", static_cast<unsigned long>(GetLastError()));
            return;
        }
        VS_FIXEDFILEINFO* info = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(buffer.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info) {
            AppendFormat(text, ", error %lu", static_cast<unsigned long>(GetLastError()));
            return;
        }
        text = Format("%d.%d.", static_cast<int>(HIWORD(info->dwFileVersionMS)),
                      static_cast<int>(LOWORD(info->dwFileVersionMS)));
        AppendFormat(text, "%d.%d", static_cast<int>(HIWORD(info->dwFileVersionLS)),
                     static_cast<int>(LOWORD(info->dwFileVersionLS)));
    } catch (const Exception& e) {
        AppendFormat(text, ", error: %s", e.what());
    }
}
