#include "text/Charconvert.h"

#include <windows.h>

#include <vector>

std::string Utf8ToCodePage(const char* utf8, unsigned codePage)
{
    std::string output;
    TryUtf8ToCodePage(utf8, output, codePage);
    return output;
}

namespace {

bool Utf8ToWide(const char* utf8, std::vector<wchar_t>& wide)
{
    if (!utf8)
        return false;
    // Length -1: the counts include the terminator.
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (units <= 0)
        return false;
    wide.resize(static_cast<size_t>(units));
    return MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), units) > 0;
}

// exact: no best fit, and false (with the output set) when the default character was used.
bool WideToCodePage(const wchar_t* wide, std::string& output, unsigned codePage, bool exact)
{
    if (!wide)
        return false;
    // UTF-8 holds every character, and takes neither the flag nor the default character.
    if (codePage == CP_UTF8 || (codePage == CP_ACP && GetACP() == CP_UTF8))
        exact = false;
    const DWORD flags = exact ? WC_NO_BEST_FIT_CHARS : 0;
    const int bytes = WideCharToMultiByte(codePage, flags, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    std::vector<char> buffer(static_cast<size_t>(bytes));
    BOOL usedDefault = FALSE;
    const int written = WideCharToMultiByte(codePage, flags, wide, -1, buffer.data(), bytes, exact ? "?" : nullptr,
                                            exact ? &usedDefault : nullptr);
    if (written <= 0)
        return false;
    output.assign(buffer.data(), static_cast<size_t>(written - 1));
    return !usedDefault;
}

} // namespace

bool TryUtf8ToCodePage(const char* utf8, std::string& output, unsigned codePage)
{
    std::vector<wchar_t> wide;
    return Utf8ToWide(utf8, wide) && TryWideToCodePage(wide.data(), output, codePage);
}

bool TryWideToCodePage(const wchar_t* wide, std::string& output, unsigned codePage)
{
    std::string text;
    if (!WideToCodePage(wide, text, codePage, false))
        return false;
    output = text;
    return true;
}

bool TryUtf8ToCodePageExact(const char* utf8, std::string& output, unsigned codePage)
{
    std::vector<wchar_t> wide;
    return Utf8ToWide(utf8, wide) && WideToCodePage(wide.data(), output, codePage, true);
}

bool TryWideToCodePageExact(const wchar_t* wide, std::string& output, unsigned codePage)
{
    return WideToCodePage(wide, output, codePage, true);
}

bool TryExactAnsiPath(const std::wstring& path, std::string& output)
{
    if (TryWideToCodePageExact(path.c_str(), output, CP_ACP))
        return true;
    const DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (size == 0)
        return false;
    std::vector<wchar_t> shortPath(size);
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), size);
    if (length == 0 || length >= size)
        return false;
    std::string converted;
    if (!TryWideToCodePageExact(shortPath.data(), converted, CP_ACP))
        return false;
    output = converted;
    return true;
}
