#include "toolkit/IniFiles.h"

#include <windows.h>

#include <vector>

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const
{
    // No file of a longer name is open to the 8-bit functions, and Wine's profile reader
    // overruns its stack on one: such a name gives the default, as a missing file does.
    if (fileName_.size() >= MAX_PATH)
        return defaultValue;
    // The platform reports a cut value as size - 1: grow until the value fits.
    std::vector<char> buffer(256);
    for (;;) {
        const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                                      buffer.data(), static_cast<DWORD>(buffer.size()),
                                                      fileName_.c_str());
        if (length + 1 < buffer.size() || buffer.size() >= (1u << 26))
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 4);
    }
}
