#include "bench/BenchSupport.h"

#include "support/PrinterKeys.h"
#include "toolkit/SysUtils.h"

#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

double Seconds()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

Summary Summarize(std::vector<double> samples)
{
    Summary summary;
    summary.Count = samples.size();
    if (samples.empty())
        return summary;
    std::sort(samples.begin(), samples.end());
    for (double sample : samples)
        summary.Total += sample;
    const size_t n = samples.size();
    auto rank = [&](double fraction) {
        const size_t at = static_cast<size_t>(std::ceil(fraction * static_cast<double>(n)));
        return samples[std::min(n, std::max<size_t>(at, 1)) - 1];
    };
    summary.Mean = summary.Total / static_cast<double>(n);
    summary.Median = rank(0.5);
    summary.P99 = rank(0.99);
    summary.Max = samples.back();
    return summary;
}

double Median(std::vector<double> samples)
{
    return Summarize(std::move(samples)).Median;
}

bool WriteJob(const std::string& path, int printer)
{
    UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    const std::string text = "[Device]\r\nDeviceName=VELT Imager " + std::to_string(printer) + "\r\n";
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
        && written == text.size();
}

std::vector<Entry> ListEntries(const std::string& folder, const char* pattern)
{
    std::vector<Entry> entries;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileExA((folder + "\\" + pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
        nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find)
        return entries;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(find.get(), &data));
    return entries;
}

size_t CountEntries(const std::string& folder)
{
    return ListEntries(folder).size();
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadTextFile(const std::string& path)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    if (!file)
        return text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

void RemoveTree(const std::string& path)
{
    for (const Entry& entry : ListEntries(path)) {
        const std::string full = path + "\\" + entry.Name;
        if (entry.Folder)
            RemoveTree(full);
        else
            DeleteFileA(full.c_str());
    }
    RemoveDirectoryA(path.c_str());
}

void EmptyFolder(const std::string& folder)
{
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
}

namespace {

const char kBaseKey[] = "SOFTWARE\\VELT Korvel";

void SetRegString(const char* path, REGSAM view, const char* name, const std::string& value)
{
    HKEY key = nullptr;
    LONG status
        = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExA(
            key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS)
        throw std::runtime_error(std::string("cannot set ") + path + "\\" + name);
}

} // namespace

Installation::Installation()
{
    char base[MAX_PATH + 1];
    GetTempPathA(sizeof base, base);
    for (unsigned serial = 0;; ++serial) {
        root_ = std::string(base) + "vbench-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial);
        if (CreateDirectoryA(root_.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create " + root_);
    }
    for (const char* folder : {"install", "lead1", "lead2", "jobs", "logs", "logs\\SealQueue"})
        CreateDirectoryA((root_ + "\\" + folder).c_str(), nullptr);
    SetEnvironmentVariableA("VELTLOGD", (root_ + "\\logs").c_str());
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBaseKey, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
        char value[MAX_PATH * 4];
        DWORD size = sizeof value;
        DWORD type = 0;
        hadInstallBase_
            = RegQueryValueExA(key, "MyPath", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS
            && type == REG_SZ;
        if (hadInstallBase_)
            installBase_.assign(value, strnlen(value, size));
        RegCloseKey(key);
    }
    SetRegString(kBaseKey, KEY_WOW64_32KEY, "MyPath", root_ + "\\install");
    SetRegString(PrinterKeyPath(1).c_str(), PrinterKeyAccess(0), PrinterValue::Todo, "SealQueue");
    WriteSettings(Lead1());
}

void Installation::SetLead1(const std::string& folder)
{
    WriteSettings(folder);
}

void Installation::WriteSettings(const std::string& lead1)
{
    const std::string settings = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SealQueue>\r\n  <Lead><TempVImg>"
        + lead1 + "</TempVImg></Lead>\r\n  <Lead2><TempVImg>" + Lead2() + "</TempVImg></Lead2>\r\n</SealQueue>\r\n";
    UniqueFile file(CreateFileA((root_ + "\\install\\xLead.xml").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), settings.data(), static_cast<DWORD>(settings.size()), &written, nullptr))
        throw std::runtime_error("cannot write xLead.xml");
}

Installation::~Installation()
{
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, PrinterKeyPath(1).c_str(), PrinterKeyAccess(0), 0);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBaseKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
        if (hadInstallBase_)
            RegSetValueExA(key, "MyPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(installBase_.c_str()),
                static_cast<DWORD>(installBase_.size() + 1));
        else
            RegDeleteValueA(key, "MyPath");
        RegCloseKey(key);
    }
    SetEnvironmentVariableA("VELTLOGD", nullptr);
    RemoveTree(root_);
}

std::string LogTextIn(const std::string& spoolerFolder)
{
    std::string text;
    for (const Entry& entry : ListEntries(spoolerFolder, "vimg*.txt"))
        text += ReadTextFile(spoolerFolder + "\\" + entry.Name);
    return text;
}

std::string Installation::LogText() const
{
    return LogTextIn(SpoolerFolder());
}

SIZE_T PrivateBytes(DWORD processId)
{
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process)
        return 0;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return 0;
    // Wine leaves PrivateUsage 0 and fills PagefileUsage, which Windows sets to the same commit charge.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

Options::Options(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        if (i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0)
            value = argv[++i];
        values_.emplace_back(name, value);
    }
}

bool Options::Has(const std::string& name) const
{
    return std::any_of(values_.begin(), values_.end(), [&](const auto& v) { return v.first == name; });
}

std::string Options::Text(const std::string& name, const std::string& fallback) const
{
    for (const auto& v : values_)
        if (v.first == name)
            return v.second;
    return fallback;
}

std::vector<std::string> Options::Texts(const std::string& name) const
{
    std::vector<std::string> texts;
    for (const auto& v : values_)
        if (v.first == name)
            texts.push_back(v.second);
    return texts;
}

long Options::Number(const std::string& name, long fallback) const
{
    const std::string text = Text(name, std::string());
    if (text.empty())
        return fallback;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' ? value : fallback;
}

std::vector<long> Options::Numbers(const std::string& name, const std::vector<long>& fallback) const
{
    const std::string text = Text(name, std::string());
    if (text.empty())
        return fallback;
    std::vector<long> numbers;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        numbers.push_back(std::strtol(text.substr(start, comma - start).c_str(), nullptr, 10));
        start = comma + 1;
    }
    return numbers;
}
