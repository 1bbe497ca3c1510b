#pragma once
// The small string, file and error helpers that the forms expect of the toolkit.
#include <stdexcept>
#include <string>
#include <vector>

// The toolkit's exception class: its message is what the standard exception display shows.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// printf-style formatting into a string measured first, so nothing is ever cut.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
void AppendFormat(std::string& target, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Removes leading and trailing characters with codes of 32 or less.
std::string Trim(const std::string& text);

// Case-insensitive comparison under the user's locale: <0, 0, >0.
int AnsiCompareText(const std::string& a, const std::string& b);
bool AnsiSameText(const std::string& a, const std::string& b);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the folder and every missing parent; true when the folder exists afterwards.
bool ForceDirectories(const std::string& path);

// "C:\a\b.exe" -> "C:\a\" (keeps the separator) and without it.
std::string ExtractFilePath(const std::string& path);
std::string ExcludeTrailingPathDelimiter(const std::string& path);
std::string IncludeTrailingPathDelimiter(const std::string& path);

// The command line's arguments after the program name, as Windows splits them.
std::vector<std::wstring> CommandLineArguments();
// Full path of the running executable, however long.
std::string ModuleFileName();
// Full path for a relative one, against the current folder.
std::string ExpandFileName(const std::string& path);
