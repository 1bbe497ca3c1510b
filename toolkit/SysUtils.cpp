#include "toolkit/SysUtils.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

void AppendFormatV(std::string& target, const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0)
        return;
    const size_t start = target.size();
    target.resize(start + static_cast<size_t>(length) + 1);
    std::vsnprintf(&target[start], static_cast<size_t>(length) + 1, format, args);
    target.resize(start + static_cast<size_t>(length));
}

} // namespace

std::string Format(const char* format, ...)
{
    std::string result;
    va_list args;
    va_start(args, format);
    AppendFormatV(result, format, args);
    va_end(args);
    return result;
}

void AppendFormat(std::string& target, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    AppendFormatV(target, format, args);
    va_end(args);
}

std::string Trim(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 32)
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32)
        --last;
    return text.substr(first, last - first);
}

int AnsiCompareText(const std::string& a, const std::string& b)
{
    const int result = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                                      b.data(), static_cast<int>(b.size()));
    return result - CSTR_EQUAL;
}

bool AnsiSameText(const std::string& a, const std::string& b)
{
    return AnsiCompareText(a, b) == 0;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& path)
{
    const std::string folder = ExcludeTrailingPathDelimiter(path);
    if (folder.empty())
        return false;
    if (DirectoryExists(folder))
        return true;
    const std::string parent = ExcludeTrailingPathDelimiter(ExtractFilePath(folder));
    // Stop at a drive ("C:") or a share root; those exist or they do not.
    if (!parent.empty() && parent != folder && parent.back() != ':' && !DirectoryExists(parent))
        ForceDirectories(parent);
    CreateDirectoryA(folder.c_str(), nullptr);
    return DirectoryExists(folder);
}

std::string ExtractFilePath(const std::string& path)
{
    const size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string ExcludeTrailingPathDelimiter(const std::string& path)
{
    if (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        return path.substr(0, path.size() - 1);
    return path;
}

std::string IncludeTrailingPathDelimiter(const std::string& path)
{
    if (!path.empty() && path.back() == '\\')
        return path;
    return path + "\\";
}

// The C runtime's own split of the wide command line: it is loaded anyway, where the shell's
// split would load the window libraries into a command-line job.
extern "C" int __wgetmainargs(int* count, wchar_t*** arguments, wchar_t*** environment, int wildcards, int* info);

std::vector<std::wstring> CommandLineArguments()
{
    int count = 0;
    wchar_t** arguments = nullptr;
    wchar_t** environment = nullptr;
    int info = 0;
    if (__wgetmainargs(&count, &arguments, &environment, 0, &info) < 0 || !arguments)
        return {};
    return count > 1 ? std::vector<std::wstring>(arguments + 1, arguments + count) : std::vector<std::wstring>();
}

std::string ModuleFileName()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::string();
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::string ExpandFileName(const std::string& path)
{
    const DWORD needed = path.empty() ? 0 : GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    std::string full(needed, '\0');
    const DWORD length = needed ? GetFullPathNameA(path.c_str(), needed, &full[0], nullptr) : 0;
    if (length == 0 || length >= needed)
        return path;
    full.resize(length);
    return full;
}
