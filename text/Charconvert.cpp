#include "text/Charconvert.h"

#include <windows.h>

#include <vector>

std::string Utf8ToCodePage(const char* utf8, unsigned codePage)
{
    std::string output;
    TryUtf8ToCodePage(utf8, output, codePage);
    return output;
}

bool TryUtf8ToCodePage(const char* utf8, std::string& output, unsigned codePage)
{
    if (!utf8)
        return false;
    // Length -1: the counts include the terminator.
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (units <= 0)
        return false;
    std::vector<wchar_t> wide(static_cast<size_t>(units));
    if (MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), units) <= 0)
        return false;
    return TryWideToCodePage(wide.data(), output, codePage);
}

bool TryWideToCodePage(const wchar_t* wide, std::string& output, unsigned codePage)
{
    if (!wide)
        return false;
    const int bytes = WideCharToMultiByte(codePage, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    std::vector<char> buffer(static_cast<size_t>(bytes));
    const int written = WideCharToMultiByte(codePage, 0, wide, -1, buffer.data(), bytes, nullptr, nullptr);
    if (written <= 0)
        return false;
    output.assign(buffer.data(), static_cast<size_t>(written - 1));
    return true;
}
