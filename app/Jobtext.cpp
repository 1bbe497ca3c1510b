#include "app/Jobtext.h"

#include <climits>
#include <algorithm>
#include <cstdio>
#include <cstring>

bool PayloadIsWide(const void* data, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    return data && size >= 3 && bytes[0] != 0 && bytes[1] == 0;
}

std::string NarrowPayload(const void* data, size_t size)
{
    if (!data || size == 0)
        return std::string();
    const char* text = static_cast<const char*>(data);
    const void* end = std::memchr(text, 0, size);
    return std::string(text, end ? static_cast<const char*>(end) - text : size);
}

std::wstring WidePayload(const void* data, size_t size)
{
    std::wstring text;
    if (!data)
        return text;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const size_t units = size / 2;
    text.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const wchar_t unit = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

bool ParsePrinterIndex(const std::string& printerName, long& index)
{
    const size_t blank = printerName.rfind(' ');
    if (blank == std::string::npos)
        return false;
    // atol's rules without its undefined behaviour on overflow.
    size_t i = blank;
    const size_t n = printerName.size();
    auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < n && isSpace(printerName[i]))
        ++i;
    bool negative = false;
    if (i < n && (printerName[i] == '+' || printerName[i] == '-'))
        negative = printerName[i++] == '-';
    long long value = 0;
    bool fits = true;
    for (; i < n && printerName[i] >= '0' && printerName[i] <= '9'; ++i) {
        value = value * 10 + (printerName[i] - '0');
        if (value > static_cast<long long>(INT32_MAX) + 1) {
            fits = false;
            break;
        }
    }
    if (negative)
        value = -value;
    if (!fits || value > INT32_MAX || value < INT32_MIN)
        value = 0;
    index = static_cast<long>(value);
    return true;
}

std::string MakeJobId(uint32_t sessionId, int32_t counter)
{
    char session[16];
    char number[16];
    std::snprintf(session, sizeof session, "%d", static_cast<int>(sessionId));
    std::snprintf(number, sizeof number, "%010d", static_cast<int>(counter));
    const size_t sessionLength = std::strlen(session);
    std::string id(session);
    if (sessionLength < 10 && std::strlen(number) > sessionLength)
        id.append(number + sessionLength, std::min<size_t>(10 - sessionLength, std::strlen(number) - sessionLength));
    return id;
}

std::string LogFileName(const std::string& folder, const LocalStamp& stamp)
{
    char date[32];
    std::snprintf(date, sizeof date, "%04d%02d%02d", stamp.Year, stamp.Month, stamp.Day);
    return folder + "\\vimg" + date + ".txt";
}

std::string LogLine(const LocalStamp& stamp, const std::string& text)
{
    char time[32];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d.%03d ", stamp.Hour, stamp.Minute, stamp.Second,
                  stamp.Millisecond);
    return time + text + "\r\n";
}

std::string JobFileName(const std::string& jobId)
{
    return "job" + jobId + ".log";
}

std::string JobFileName(long long number)
{
    char digits[24];
    std::snprintf(digits, sizeof digits, "%010lld", number);
    return JobFileName(std::string(digits));
}

long long JobFileNumber(const std::string& fileName)
{
    // Only ASCII letters fold: no other character is the same name as one of these.
    auto same = [&](size_t at, const char* lower) {
        for (size_t i = 0; lower[i]; ++i) {
            const char c = fileName[at + i];
            if (c != lower[i] && c != lower[i] - ('a' - 'A'))
                return false;
        }
        return true;
    };
    if (fileName.size() != 17 || !same(0, "job") || fileName[13] != '.' || !same(14, "log"))
        return -1;
    long long number = 0;
    for (size_t i = 3; i < 13; ++i) {
        if (fileName[i] < '0' || fileName[i] > '9')
            return -1;
        number = number * 10 + (fileName[i] - '0');
    }
    return number;
}

long long LowestFreeJobNumber(const std::vector<long long>& taken, long long from)
{
    long long number = std::max(from, 0LL);
    auto next = std::lower_bound(taken.begin(), taken.end(), number);
    for (; number <= kLastJobFileNumber; ++number) {
        while (next != taken.end() && *next < number)
            ++next;
        if (next == taken.end() || *next != number)
            return number;
    }
    return -1;
}
