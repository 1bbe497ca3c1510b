#include "support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace {

std::string LastErrorText(const char* what)
{
    return std::string(what) + " failed, error " + std::to_string(GetLastError());
}

} // namespace

TempFolder::TempFolder()
{
    char base[MAX_PATH + 1];
    GetTempPathA(sizeof base, base);
    static std::atomic<unsigned> serial{0};
    for (;;) {
        path_ = std::string(base) + "vimg-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++serial) + "-" + std::to_string(GetTickCount());
        if (CreateDirectoryA(path_.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error(LastErrorText("CreateDirectory"));
    }
}

TempFolder::~TempFolder()
{
    RemoveTree(path_);
}

void RemoveTree(const std::string& path)
{
    for (const std::string& name : ListFolder(path)) {
        const std::string full = path + "\\" + name;
        const DWORD attributes = GetFileAttributesA(full.c_str());
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            RemoveTree(full);
        else
            DeleteFileA(full.c_str());
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error(LastErrorText(("CreateFile " + path).c_str()));
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size())
        throw std::runtime_error(LastErrorText("WriteFile"));
}

std::string ReadFileBytes(const std::string& path)
{
    // Sharing deletion too: reading must not stop a program from renaming a new file over this one.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

void WriteJobFile(const std::string& path, const std::string& deviceName, const std::string& extra)
{
    WriteFileBytes(path, "[Device]\r\nDeviceName=" + deviceName + "\r\n" + extra);
}

ScopedRegKey::ScopedRegKey(HKEY root, std::string path, REGSAM view) : root_(root), path_(std::move(path)), view_(view)
{
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, &key,
                                        nullptr);
    if (status != ERROR_SUCCESS)
        throw std::runtime_error("RegCreateKeyEx " + path_ + " failed, error " + std::to_string(status));
    RegCloseKey(key);
}

ScopedRegKey::~ScopedRegKey()
{
    DeleteRegTree(root_, path_, view_);
}

namespace {

void SetValue(HKEY root, const std::string& path, REGSAM view, const std::string& name, DWORD type, const void* data,
              DWORD size)
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE | view, &key);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS)
        throw std::runtime_error("RegSetValueEx " + name + " failed, error " + std::to_string(status));
}

} // namespace

void ScopedRegKey::SetString(const std::string& name, const std::string& value)
{
    SetValue(root_, path_, view_, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void ScopedRegKey::SetDword(const std::string& name, DWORD value)
{
    SetValue(root_, path_, view_, name, REG_DWORD, &value, sizeof value);
}

void ScopedRegKey::SetBinary(const std::string& name, const std::string& bytes)
{
    SetValue(root_, path_, view_, name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void DeleteRegTree(HKEY root, const std::string& path, REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS)
        return;
    for (;;) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DeleteRegTree(root, path + "\\" + name, view);
    }
    RegCloseKey(key);
    // RegDeleteKeyEx is what honours the view bits.
    using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
    auto deleteKeyEx = reinterpret_cast<DeleteKeyEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
    if (deleteKeyEx && view)
        deleteKeyEx(root, path.c_str(), view, 0);
    else
        RegDeleteKeyA(root, path.c_str());
}

bool RegKeyExists(HKEY root, const std::string& path, REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ReadRegValue(HKEY root, const std::string& path, const std::string& name, DWORD& type, std::string& data,
                  REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        data.assign(size, '\0');
        status = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
        data.resize(size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::string ReadRegString(HKEY root, const std::string& path, const std::string& name, REGSAM view)
{
    DWORD type = 0;
    std::string data;
    if (!ReadRegValue(root, path, name, type, data, view) || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    const size_t end = data.find('\0');
    return end == std::string::npos ? data : data.substr(0, end);
}

DWORD ReadRegDword(HKEY root, const std::string& path, const std::string& name, REGSAM view)
{
    DWORD type = 0;
    std::string data;
    if (!ReadRegValue(root, path, name, type, data, view) || type != REG_DWORD || data.size() != 4)
        return 0xFFFFFFFF;
    DWORD value;
    memcpy(&value, data.data(), 4);
    return value;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name)
{
    char buffer[32768];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    hadOld_ = length > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    old_.assign(buffer, length < sizeof buffer ? length : 0);
    SetEnvironmentVariableA(name, value);
}

ScopedEnv::~ScopedEnv()
{
    SetEnvironmentVariableA(name_.c_str(), hadOld_ ? old_.c_str() : nullptr);
}

MessageBoxWatcher::MessageBoxWatcher(DWORD processId) : processId_(processId), thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher()
{
    stop_ = true;
    thread_.join();
}

void MessageBoxWatcher::Scan()
{
    const std::vector<HWND> boxes = MessageBoxesOf(processId_);
    std::lock_guard<std::mutex> lock(mutex_);
    std::set<HWND> now(boxes.begin(), boxes.end());
    for (HWND box : boxes) {
        if (open_.count(box))
            continue;
        seen_.push_back(Box{box, TextOf(box), MessageBoxText(box)});
        open_.insert(box);
        if (answer_ != 0)
            AnswerMessageBox(box, answer_);
    }
    for (auto it = open_.begin(); it != open_.end();)
        it = now.count(*it) ? std::next(it) : open_.erase(it);
}

void MessageBoxWatcher::Run()
{
    while (!stop_) {
        Scan();
        Sleep(15);
    }
}

void MessageBoxWatcher::AnswerOpen(int button)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (HWND box : open_)
        AnswerMessageBox(box, button);
}

std::vector<MessageBoxWatcher::Box> MessageBoxWatcher::Seen() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

std::vector<std::string> MessageBoxWatcher::Texts() const
{
    std::vector<std::string> texts;
    for (const Box& box : Seen())
        texts.push_back(box.Text);
    return texts;
}

size_t MessageBoxWatcher::Count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_.size();
}

bool MessageBoxWatcher::WaitForCount(size_t count, DWORD timeoutMs) const
{
    return PumpUntil([&] { return Count() >= count; }, timeoutMs);
}

void MessageBoxWatcher::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.clear();
}
