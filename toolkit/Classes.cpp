#include "toolkit/Classes.h"

#include "toolkit/Handles.h"

#include <windows.h>

#include <algorithm>

std::vector<std::string> SplitTextLines(const std::string& text)
{
    std::vector<std::string> lines;
    const size_t end = std::min(text.find('\0'), text.size());
    for (size_t position = 0; position < end;) {
        const size_t stop = std::min(text.find_first_of("\r\n", position), end);
        lines.emplace_back(text, position, stop - position);
        position = stop + (stop < end && text[stop] == '\r');
        position += position < end && text[position] == '\n';
    }
    return lines;
}

std::string JoinTextLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> SortedUniqueLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> sorted = lines;
    // Stable, so that of equal lines the first read is the one kept.
    std::stable_sort(sorted.begin(), sorted.end(),
        [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
    sorted.erase(std::unique(sorted.begin(), sorted.end(),
                     [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) == 0; }),
        sorted.end());
    return sorted;
}

bool ReadWholeFile(const std::string& path, std::string& text, unsigned long long maxSize)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size))
        return false;
    if (static_cast<unsigned long long>(size.QuadPart) > maxSize) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    text.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (text.empty() || (ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr) && read == text.size()))
        return true;
    if (GetLastError() == ERROR_SUCCESS)
        SetLastError(ERROR_HANDLE_EOF);
    return false;
}

bool ReplaceWholeFile(const std::string& path, const std::string& text)
{
    const std::string full = ExpandFileName(path);
    // A replace would pass over the read-only mark that a write in place respects.
    const DWORD attributes = GetFileAttributesA(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    const std::string staging = Format("%s.%lu.tmp", full.c_str(), static_cast<unsigned long>(GetCurrentProcessId()));
    UniqueFile file(CreateFileA(staging.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    bool whole = (text.empty()
                     || (WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
                         && written == text.size()))
        && FlushFileBuffers(file.get());
    file.reset();
    // A reader without delete sharing (a virus scanner, a backup) holds the old file a moment.
    for (int attempt = 0; whole; ++attempt) {
        if (MoveFileExA(staging.c_str(), full.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        whole = attempt < 20 && (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED);
        if (whole)
            Sleep(10);
    }
    const DWORD error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    DeleteFileA(staging.c_str());
    SetLastError(error);
    return false;
}
