// Placeholder until the support library lands.
#include "support/Vsupport1.h"

#include <windows.h>

void GetInstallBaseFolder(std::string& folder) { folder = "c:\\VELT Korvel"; }
bool GetCommonDataFolder(std::string&) { return false; }
bool IsAdminElevated() { return false; }
bool IsWindows64()
{
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}
void GetFileVersionText(const char*, std::string& text) { text = "Undefined"; }
std::string cPARAMNODE::GetValue(const std::string&) const { return std::string(); }
cPARAMBASE2::cPARAMBASE2(std::string, std::string) {}
cPARAMBASE2::~cPARAMBASE2() = default;
