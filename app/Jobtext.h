#pragma once
// Plain text logic of the main window that reads untrusted bytes or builds names.
// No Windows calls here, so it is tested directly and can be built natively for fuzzing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A job notice's payload: UTF-16LE when at least 3 bytes, the first not zero and the second zero.
bool PayloadIsWide(const void* data, size_t size);
// The 8-bit text up to its zero byte, or cut at size when no zero lies within it.
std::string NarrowPayload(const void* data, size_t size);
// The UTF-16 units up to the zero unit, or cut at the last whole unit within size.
std::wstring WidePayload(const void* data, size_t size);

// The printer index: the text from the name's last blank on, read as atol reads it.
// False when the name has no blank. A number that does not fit 32 bits gives 0.
bool ParsePrinterIndex(const std::string& printerName, long& index);

// Ten characters from the session id ("%d") and the counter ("%010d").
std::string MakeJobId(uint32_t sessionId, int32_t counter);

struct LocalStamp {
    int Year, Month, Day, Hour, Minute, Second, Millisecond;
};
// The day's log file in the folder: folder + "\vimg" + "%04d%02d%02d" + ".txt".
std::string LogFileName(const std::string& folder, const LocalStamp& stamp);
// "%02d:%02d:%02d.%03d %s\r\n".
std::string LogLine(const LocalStamp& stamp, const std::string& text);

// Job files in a lead folder: "job" + ten characters + ".log"; a notice's are named by its job id,
// a command-line job's by a number of ten digits, which hold at most kLastJobFileNumber.
std::string JobFileName(const std::string& jobId);
std::string JobFileName(long long number);
// Every job file name, and names of fewer characters ("?" also matches none).
constexpr char kJobFilePattern[] = "job??????????.log";
constexpr long long kLastJobFileNumber = 9999999999LL;
// The number of a file name of exactly that form, or -1. Letters match without regard to case,
// as Windows matches file names: JOB0000000007.LOG takes number 7 as job0000000007.log does.
long long JobFileNumber(const std::string& fileName);
// The lowest number from `from` up to kLastJobFileNumber that is not among the taken ones
// (sorted ascending, repeats allowed), or -1 when there is none.
long long LowestFreeJobNumber(const std::vector<long long>& taken, long long from);
