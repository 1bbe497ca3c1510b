#include "support/Vsupport1.h"

#include "text/Charconvert.h"
#include "toolkit/Handles.h"
#include "toolkit/Registry.h"
#include "toolkit/SysUtils.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

namespace {

template <typename Function>
Function Bind(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The integrity level of a process: the last part of its token's mandatory label.
bool IntegrityLevel(HANDLE process, DWORD& level)
{
    HANDLE opened = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &opened))
        return false;
    const UniqueHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size);
    if (size < sizeof(TOKEN_MANDATORY_LABEL))
        return false;
    std::vector<BYTE> label(size);
    if (!GetTokenInformation(token.get(), TokenIntegrityLevel, label.data(), size, &size))
        return false;
    PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(label.data())->Label.Sid;
    const UCHAR parts = *GetSidSubAuthorityCount(sid);
    if (parts == 0)
        return false;
    level = *GetSidSubAuthority(sid, parts - 1);
    return true;
}

} // namespace

bool IsElevatedAboveShell()
{
    // The system drops messages from a lower integrity level to a higher one; the shell runs
    // at the level of the user's ordinary programs. No shell, no comparison.
    DWORD shellProcessId = 0;
    const HWND shell = GetShellWindow();
    if (!shell || !GetWindowThreadProcessId(shell, &shellProcessId))
        return false;
    const UniqueHandle shellProcess(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellProcessId));
    DWORD shellLevel = 0;
    DWORD ownLevel = 0;
    return shellProcess && IntegrityLevel(shellProcess.get(), shellLevel) &&
           IntegrityLevel(GetCurrentProcess(), ownLevel) && ownLevel > shellLevel;
}

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

void GetInstallBaseFolder(std::string& folder)
{
    folder = "c:\\VELT Korvel";
    try {
        // Unlike the printer keys, this value lives in the 32-bit view: named explicitly so that
        // a 64-bit build of the same sources reads what the 32-bit program reads.
        TRegistry registry(KEY_READ | KEY_WOW64_32KEY);
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (registry.OpenKeyReadOnly("\\SOFTWARE\\VELT Korvel")) {
            const std::string path = registry.ReadString("MyPath");
            if (!path.empty())
                folder = path;
        }
    } catch (...) {
    }
}

std::string LogBaseFolder()
{
    SetLastError(ERROR_SUCCESS);
    const DWORD size = GetEnvironmentVariableA("VELTLOGD", nullptr, 0);
    if (size > 0) {
        std::string value(size, '\0');
        const DWORD length = GetEnvironmentVariableA("VELTLOGD", &value[0], size);
        value.resize(length < size ? length : 0);
        return value;
    }
    if (GetLastError() != ERROR_ENVVAR_NOT_FOUND)
        return std::string();  // set, but empty
    std::string folder;
    if (GetCommonDataFolder(folder) && !folder.empty())
        return folder;
    return ExcludeTrailingPathDelimiter(ExtractFilePath(ModuleFileName()));
}

bool GetCommonDataFolder(std::string& folder)
{
    char path[MAX_PATH] = {0};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, reinterpret_cast<HANDLE>(-1), 0, path)))
        return false;
    folder = path;
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    folder += "VELT Korvel";
    return true;
}

cPARAMBASE2::cPARAMBASE2(std::string fileName, std::string rootName)
{
    if (fileName.empty() || !FileExists(fileName)) {
        if (rootName.empty())
            rootName = "root";
        baseNode_ = document_.append_child(rootName.c_str());
        pugi::xml_node declaration = document_.prepend_child(pugi::node_declaration);
        declaration.append_attribute("version") = "1.0";
        declaration.append_attribute("encoding") = "UTF-8";
        return;
    }
    const pugi::xml_parse_result result =
        document_.load_file(fileName.c_str(), pugi::parse_default, pugi::encoding_auto);
    if (!result) {
        errorText_ = result.description();
        return;
    }
    baseNode_ = rootName.empty() ? document_.first_child() : document_.child(rootName.c_str());
}

cPARAMBASE2::~cPARAMBASE2() = default;

std::string cPARAMNODE::GetValue(const std::string& name) const
{
    for (pugi::xml_node child = node_.first_child(); child; child = child.next_sibling()) {
        if (std::strcmp(child.name(), name.c_str()) == 0) {
            // The text goes to the 8-bit file functions, which read it in the system's code page.
            // Without best fit a character the code page lacks stays the default character "?",
            // which no file name holds, rather than becoming a look-alike: another folder.
            std::string value;
            TryUtf8ToCodePageExact(child.child_value(), value, CP_ACP);
            return value;
        }
    }
    return std::string();
}
