#include "toolkit/Registry.h"

#include <vector>

namespace {

constexpr REGSAM kViewBits = KEY_WOW64_64KEY | KEY_WOW64_32KEY;

std::string RelativeKey(const std::string& key)
{
    return !key.empty() && key[0] == '\\' ? key.substr(1) : key;
}

} // namespace

void TRegistry::SetRootKey(HKEY root)
{
    if (root != root_) {
        CloseKey();
        root_ = root;
    }
}

bool TRegistry::Open(const std::string& key, REGSAM access)
{
    CloseKey();
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root_, RelativeKey(key).c_str(), 0, access, &opened) != ERROR_SUCCESS)
        return false;
    key_.reset(opened);
    return true;
}

bool TRegistry::OpenKey(const std::string& key)
{
    return Open(key, access_);
}

bool TRegistry::OpenKeyReadOnly(const std::string& key)
{
    return Open(key, KEY_READ | (access_ & kViewBits));
}

bool TRegistry::ValueExists(const std::string& name) const
{
    return key_ && RegQueryValueExA(key_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) const
{
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return std::string();
    if (status != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    // The value may grow between the two calls: read until it fits.
    std::vector<char> data;
    do {
        data.resize(size + 1);
        size = static_cast<DWORD>(data.size());
        status = RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.data()), &size);
    } while (status == ERROR_MORE_DATA);
    if (status != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    // Stored strings need not carry their terminator.
    std::string text(data.data(), size);
    const size_t end = text.find('\0');
    return end == std::string::npos ? text : text.substr(0, end);
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    const LONG status = RegSetValueExA(key_.get(), name.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    if (status != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}
