// Native fuzz target for the untranslated-text list's upkeep: line splitting and joining, and the
// sort without duplicates that keeps the first line read. toolkit/Classes.cpp is built as it is,
// against tests/fuzz/native/windows.h; the few Windows functions it reaches are stood in for here,
// the locale's comparison by a plain byte comparison (case folded for ASCII when asked).
#include "toolkit/Classes.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

int WINAPI CompareStringA(LCID, DWORD flags, LPCSTR a, int aLength, LPCSTR b, int bLength)
{
    const size_t n = static_cast<size_t>(aLength < bLength ? aLength : bLength);
    for (size_t i = 0; i < n; ++i) {
        int x = static_cast<unsigned char>(a[i]);
        int y = static_cast<unsigned char>(b[i]);
        if (flags & NORM_IGNORECASE) {
            x = std::tolower(x);
            y = std::tolower(y);
        }
        if (x != y)
            return x < y ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    }
    return aLength == bLength ? CSTR_EQUAL : aLength < bLength ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}

int AnsiCompareText(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) -
           CSTR_EQUAL;
}

// Only the list's file functions reach these, and the fuzz target never calls those.
DWORD WINAPI GetLastError() { return ERROR_ACCESS_DENIED; }
void WINAPI SetLastError(DWORD) {}
DWORD WINAPI GetCurrentProcessId() { return 1; }
void WINAPI Sleep(DWORD) {}
BOOL WINAPI CloseHandle(HANDLE) { return TRUE; }
HANDLE WINAPI CreateFileA(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    return INVALID_HANDLE_VALUE;
}
BOOL WINAPI GetFileSizeEx(HANDLE, LARGE_INTEGER*) { return FALSE; }
BOOL WINAPI ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) { return FALSE; }
BOOL WINAPI WriteFile(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) { return FALSE; }
BOOL WINAPI FlushFileBuffers(HANDLE) { return FALSE; }
DWORD WINAPI GetFileAttributesA(LPCSTR) { return INVALID_FILE_ATTRIBUTES; }
BOOL WINAPI MoveFileExA(LPCSTR, LPCSTR, DWORD) { return FALSE; }
BOOL WINAPI DeleteFileA(LPCSTR) { return FALSE; }

std::string Format(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}
std::string ExpandFileName(const std::string& path) { return path; }

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

int Compare(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                          static_cast<int>(a.size()), b.data(), static_cast<int>(b.size())) -
           CSTR_EQUAL;
}

// What the split and join must give, worked out byte by byte: every break as CR LF, text after
// the last break ended by one, nothing from the first NUL on.
std::string Normalised(const std::string& text)
{
    std::string out;
    const size_t end = std::min(text.find('\0'), text.size());
    for (size_t i = 0; i < end; ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < end && text[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    if (!out.empty() && out.back() != '\n')
        out += "\r\n";
    return out;
}

std::string Folded(std::string line)
{
    for (char& c : line)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = SplitTextLines(text);
    for (const std::string& line : lines)
        Check(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
    const std::string joined = JoinTextLines(lines);
    Check(joined == Normalised(text));
    Check(SplitTextLines(joined) == lines);

    {
        const std::vector<std::string> sorted = SortedUniqueLines(lines);
        // The first line read of each kind, in order: a map by the folded line says which.
        std::map<std::string, std::string> first;
        for (const std::string& line : lines)
            first.emplace(Folded(line), line);
        Check(sorted.size() == first.size());
        size_t i = 0;
        for (const auto& kind : first)
            Check(sorted[i++] == kind.second);
        for (size_t k = 1; k < sorted.size(); ++k)
            Check(Compare(sorted[k - 1], sorted[k]) < 0);
        Check(SortedUniqueLines(sorted) == sorted);
    }

    // The list as the upkeep writes it: each kind of line once, in order, each ending in CR LF.
    const std::string tidied = JoinTextLines(SortedUniqueLines(SplitTextLines(text)));
    Check(SortedUniqueLines(SplitTextLines(tidied)) == SplitTextLines(tidied));
    return 0;
}
