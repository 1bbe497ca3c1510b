#include "toolkit/Classes.h"

#include "toolkit/Handles.h"

#include <windows.h>

#include <algorithm>

namespace {

std::string SystemErrorText(DWORD code)
{
    char* buffer = nullptr;
    const DWORD length
        = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length && buffer ? Trim(std::string(buffer, length)) : Format("Error %lu", code);
    if (buffer)
        LocalFree(buffer);
    return text;
}

[[noreturn]] void FileError(const char* what, const std::string& path, DWORD code)
{
    throw Exception(Format("%s \"%s\". %s", what, path.c_str(), SystemErrorText(code).c_str()));
}

} // namespace

std::vector<std::string> SplitTextLines(const std::string& text)
{
    std::vector<std::string> lines;
    const size_t end = std::min(text.find('\0'), text.size());
    size_t position = 0;
    while (position < end) {
        size_t stop = position;
        while (stop < end && text[stop] != '\r' && text[stop] != '\n')
            ++stop;
        lines.emplace_back(text, position, stop - position);
        position = stop;
        if (position < end && text[position] == '\r')
            ++position;
        if (position < end && text[position] == '\n')
            ++position;
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

std::string LoadTextFile(const std::string& path)
{
    // Others may read the file meanwhile, nobody may write it.
    UniqueFile file(CreateFileA(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        FileError("Cannot open file", path, GetLastError());
    std::string content;
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr))
            FileError("Cannot read file", path, GetLastError());
        if (read == 0)
            break;
        content.append(buffer, read);
    }
    return content;
}

void SaveTextFile(const std::string& path, const std::string& text)
{
    const std::string full = ExpandFileName(path);
    // A replace would pass over the read-only mark that a write in place respects.
    const DWORD attributes = GetFileAttributesA(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        FileError("Cannot write file", path, ERROR_ACCESS_DENIED);
    std::string folder = ExtractFilePath(full);
    if (folder.empty())
        folder = ".\\";
    std::vector<char> temporary(MAX_PATH + 1);
    if (!GetTempFileNameA(folder.c_str(), "vtl", 0, temporary.data()))
        FileError("Cannot create file", path, GetLastError());
    const std::string temporaryPath = temporary.data();
    DWORD error = ERROR_SUCCESS;
    {
        UniqueFile file(CreateFileA(
            temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            error = GetLastError();
        } else {
            DWORD written = 0;
            if (!text.empty()
                && (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
                    || written != text.size()))
                error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            else if (!FlushFileBuffers(file.get()))
                error = GetLastError();
        }
    }
    if (error == ERROR_SUCCESS && !MoveFileExA(temporaryPath.c_str(), full.c_str(), MOVEFILE_REPLACE_EXISTING))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        DeleteFileA(temporaryPath.c_str());
        FileError("Cannot write file", path, error);
    }
}
