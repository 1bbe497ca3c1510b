#include "app/ActivityLog.h"

#include "app/Vimager1.h"

#include <windows.h>

void AppendLogLine(const std::string& folder, const LocalStamp& stamp, const std::string& text)
{
    const std::string path = LogFileName(folder, stamp);
    // Read sharing only: a second writer fails to open and drops its line.
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
    if (!file)
        return;
    const std::string line = LogLine(stamp, text);
    // Every line, the first of a run too, goes after what the day's file already holds.
    SetFilePointer(file.get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void TMainForm::WriteLog(const std::string& Text)
{
    try {
        SYSTEMTIME now;
        GetLocalTime(&now);
        const LocalStamp stamp{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                               now.wMilliseconds};
        AppendLogLine(SpoolerFolder(), stamp, Text);
    } catch (...) {
        // A side file: not even a lack of memory may stop the job that is being logged.
    }
}
