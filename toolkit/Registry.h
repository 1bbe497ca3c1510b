#pragma once
// TRegistry: one open key at a time under a chosen root, as the forms expect.
#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"

#include <string>

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class TRegistry {
public:
    // The access mask is used for OpenKey; OpenKeyReadOnly asks for KEY_READ with the
    // mask's registry-view bits kept.
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS, HKEY root = HKEY_CURRENT_USER)
        : access_(access), root_(root) {}
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    void SetRootKey(HKEY root);

    // Opens an existing key (never creates it); a leading "\" is ignored. The status of the open.
    LONG Open(const std::string& key, REGSAM access);
    bool OpenKey(const std::string& key) { return Open(key, access_) == ERROR_SUCCESS; }
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey() { key_.reset(); }

    bool ValueExists(const std::string& name) const
    {
        return key_ && RegGetValueA(key_.get(), nullptr, name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) == 0;
    }
    // Throws ERegistryException when the value exists but is not a string.
    // A missing value gives the empty text.
    std::string ReadString(const std::string& name) const;
    // False when the value is missing or not a 32-bit number.
    bool ReadInteger(const std::string& name, DWORD& value) const;
    // The text is stored with its terminator. The status of the write.
    LONG SetString(const std::string& name, const std::string& value);
    LONG SetInteger(const std::string& name, DWORD value);
    // Throws ERegistryException when the value cannot be written.
    void WriteString(const std::string& name, const std::string& value);

private:
    REGSAM access_;
    HKEY root_;
    UniqueRegKey key_;
};
