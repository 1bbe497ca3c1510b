#include "toolkit/Registry.h"

#include <vector>

void TRegistry::SetRootKey(HKEY root)
{
    if (root != root_) {
        CloseKey();
        root_ = root;
    }
}

LONG TRegistry::Open(const std::string& key, REGSAM access)
{
    CloseKey();
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(root_, key.c_str() + (!key.empty() && key[0] == '\\'), 0, access, &opened);
    if (status == ERROR_SUCCESS)
        key_.reset(opened);
    return status;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key)
{
    return Open(key, KEY_READ | (access_ & (KEY_WOW64_64KEY | KEY_WOW64_32KEY))) == ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) const
{
    constexpr DWORD kTexts = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    std::vector<char> data(256);
    LONG status;
    // The value may grow between two calls: read until it fits.
    do {
        DWORD size = static_cast<DWORD>(data.size());
        status = RegGetValueA(key_.get(), nullptr, name.c_str(), kTexts, nullptr, data.data(), &size);
        if (status == ERROR_MORE_DATA)
            data.resize(size + 1);
    } while (status == ERROR_MORE_DATA);
    if (status == ERROR_FILE_NOT_FOUND)
        return std::string();
    if (status == ERROR_UNSUPPORTED_TYPE)
        throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    if (status != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
    return data.data();
}

bool TRegistry::ReadInteger(const std::string& name, DWORD& value) const
{
    DWORD size = sizeof value;
    return RegGetValueA(key_.get(), nullptr, name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size)
        == ERROR_SUCCESS;
}

LONG TRegistry::SetString(const std::string& name, const std::string& value)
{
    return RegSetValueExA(key_.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
        static_cast<DWORD>(value.size() + 1));
}

LONG TRegistry::SetInteger(const std::string& name, DWORD value)
{
    return RegSetValueExA(
        key_.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    if (SetString(name, value) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}
