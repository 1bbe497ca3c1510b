#pragma once
// TIniFile: reads through the platform's profile-file functions, so the platform's INI rules apply.
#include <string>

class TIniFile {
public:
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    // The whole value, however long; the default when the file, section or key is missing.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultValue) const;

private:
    std::string fileName_;
};
