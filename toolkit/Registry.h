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
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) : access_(access) {}
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    void SetRootKey(HKEY root);

    // Opens an existing key (never creates it); a leading "\" is ignored.
    bool OpenKey(const std::string& key);
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey() { key_.reset(); }

    bool ValueExists(const std::string& name) const;
    // Throws ERegistryException when the value exists but is not a string.
    // A missing value gives the empty text.
    std::string ReadString(const std::string& name) const;
    // Throws ERegistryException when the value cannot be written.
    void WriteString(const std::string& name, const std::string& value);

private:
    bool Open(const std::string& key, REGSAM access);

    REGSAM access_;
    HKEY root_ = HKEY_CURRENT_USER;
    UniqueRegKey key_;
};
