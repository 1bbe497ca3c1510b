// Native fuzz target for the text logic that reads untrusted bytes: job notice payloads,
// printer names, job ids and log lines. Built with clang's libFuzzer, ASan and UBSan.
#include "app/Jobtext.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Whole input as a notice payload: never read past it, and the narrow form ends at a zero.
    const std::string narrow = NarrowPayload(data, size);
    if (narrow.size() > size || narrow.find('\0') != std::string::npos)
        __builtin_trap();
    const std::wstring wide = WidePayload(data, size);
    if (wide.size() > size / 2 || wide.find(L'\0') != std::wstring::npos)
        __builtin_trap();
    if (PayloadIsWide(data, size) && (size < 3 || data[0] == 0 || data[1] != 0))
        __builtin_trap();

    // As a printer name: an index only with a blank, and always within 32 bits.
    const std::string name(reinterpret_cast<const char*>(data), size);
    long index = 0;
    if (ParsePrinterIndex(name, index) != (name.find(' ') != std::string::npos))
        __builtin_trap();
    if (index > INT32_MAX || index < INT32_MIN)
        __builtin_trap();

    // Ids and log texts from the first bytes as numbers.
    uint32_t session = 0;
    int32_t counter = 0;
    if (size >= 8) {
        std::memcpy(&session, data, 4);
        std::memcpy(&counter, data + 4, 4);
    }
    const std::string id = MakeJobId(session, counter);
    if (id.empty() || id.size() > 11)
        __builtin_trap();
    const LocalStamp stamp{2026, 12, 7, 23, 59, 59, 999};
    const std::string line = LogLine(stamp, name);
    if (line.size() != name.size() + 15 || line.compare(line.size() - 2, 2, "\r\n") != 0)
        __builtin_trap();
    return 0;
}
