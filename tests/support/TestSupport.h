#pragma once
// Helpers shared by the unit and end-to-end tests. Everything works on the real platform
// of the test prefix: real folders, the real registry, real message boxes.
#include "tools/RemoteProcess.h"
#include "tools/RemoteWindow.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// A fresh folder under the temporary folder, removed with all its content.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void RemoveTree(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool PathExists(const std::string& path);
// File names directly inside the folder, sorted.
std::vector<std::string> ListFolder(const std::string& folder);
// A job file as the printer side writes it.
void WriteJobFile(const std::string& path, const std::string& deviceName, const std::string& extra = std::string());

// A registry key made for a test, deleted with its subkeys afterwards.
class ScopedRegKey {
public:
    ScopedRegKey(HKEY root, std::string path, REGSAM view = 0);
    ~ScopedRegKey();
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;
    void SetString(const std::string& name, const std::string& value);
    void SetDword(const std::string& name, DWORD value);
    void SetBinary(const std::string& name, const std::string& bytes);
    const std::string& Path() const { return path_; }

private:
    HKEY root_;
    std::string path_;
    REGSAM view_;
};

void DeleteRegTree(HKEY root, const std::string& path, REGSAM view = 0);
bool RegKeyExists(HKEY root, const std::string& path, REGSAM view = 0);
// Reads a value: false when missing. Type and raw bytes come back.
bool ReadRegValue(HKEY root, const std::string& path, const std::string& name, DWORD& type, std::string& data,
                  REGSAM view = 0);
std::string ReadRegString(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0);
DWORD ReadRegDword(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0);

// Sets or clears an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string old_;
    bool hadOld_;
};

// Answers the message boxes of one process from a thread of its own, as a person would,
// and remembers what they said.
class MessageBoxWatcher {
public:
    struct Box {
        HWND Handle;
        std::string Caption;
        std::string Text;
    };
    explicit MessageBoxWatcher(DWORD processId = GetCurrentProcessId());
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // The button that answers the next boxes (IDOK, IDCANCEL); 0 leaves them open.
    void SetAnswer(int button) { answer_ = button; }
    // Answers the boxes that are open now.
    void AnswerOpen(int button);
    std::vector<Box> Seen() const;
    std::vector<std::string> Texts() const;
    size_t Count() const;
    // Waits (handling this thread's messages) until that many boxes have been seen.
    bool WaitForCount(size_t count, DWORD timeoutMs) const;
    void Clear();

private:
    void Run();
    void Scan();

    DWORD processId_;
    std::atomic<int> answer_{IDOK};
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<Box> seen_;
    std::set<HWND> open_;
    std::thread thread_;
};
