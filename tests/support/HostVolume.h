#pragma once
// A drive letter of the test's Wine prefix on a file system of its own: a tmpfs of the given size
// mounted for the test (root may mount), or else a folder of /dev/shm (another file system, but
// without a size of its own). Mounting and the drive's link in the prefix's dosdevices folder are
// done by /bin/sh, which Windows programs under Wine can start; all of it is undone afterwards.
#include "support/TestSupport.h"

#include <windows.h>

#include <string>
#include <thread>

class HostVolume {
public:
    explicit HostVolume(unsigned sizeKb)
    {
        char prefix[1024];
        const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
        if (length == 0 || length >= sizeof prefix || GetFileAttributesA("Z:\\bin\\sh") == INVALID_FILE_ATTRIBUTES) {
            why_ = "not under Wine with a host shell";
            return;
        }
        const DWORD drives = GetLogicalDrives();
        for (char letter = 'Q'; letter <= 'Y' && !letter_; ++letter)
            if (!(drives & (1u << (letter - 'A'))))
                letter_ = letter;
        if (!letter_) {
            why_ = "no free drive letter";
            return;
        }
        tag_ = "vimager-volume-" + std::to_string(GetCurrentProcessId()) + "-" + letter_;
        const std::string mountPoint = "/tmp/" + tag_;
        const std::string shm = "/dev/shm/" + tag_;
        Run("mkdir -p " + mountPoint + "\n"
            "if mount -t tmpfs -o size=" + std::to_string(sizeKb) + "k tmpfs " + mountPoint + " 2>/dev/null; then\n"
            "  ln -sfn " + mountPoint + " " + Link() + " && " + Report(mountPoint) + "\n"
            "else\n"
            "  rmdir " + mountPoint + "; mkdir -p " + shm + " && ln -sfn " + shm + " " + Link() +
            " && " + Report(shm) + "\n"
            "fi\n");
        folder_ = ReadFileBytes(Status());
        while (!folder_.empty() && (folder_.back() == '\n' || folder_.back() == '\r'))
            folder_.pop_back();
        sized_ = folder_ == mountPoint;
        if (folder_.empty() ||
            !PumpUntil([&] { return GetFileAttributesA(Root().c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000))
            why_ = "the drive could not be mapped";
    }

    ~HostVolume()
    {
        if (tag_.empty())
            return;
        std::string script = "rm -f " + Link() + "\n";
        if (sized_)
            script += "umount " + folder_ + " && rmdir " + folder_ + "\n";
        else if (!folder_.empty())
            script += "rm -rf " + folder_ + "\n";
        Run(script + Report("done") + "\n");
        DeleteFileA(Status().c_str());
    }

    HostVolume(const HostVolume&) = delete;
    HostVolume& operator=(const HostVolume&) = delete;

    bool Ready() const { return why_.empty(); }
    // A tmpfs of the size asked for; otherwise only another file system without a limit.
    bool Sized() const { return sized_; }
    const std::string& Why() const { return why_; }
    // "Q:\" or another free letter.
    std::string Root() const { return std::string(1, letter_) + ":\\"; }

private:
    std::string Link() const
    {
        return "\"$WINEPREFIX/dosdevices/" + std::string(1, static_cast<char>(letter_ - 'A' + 'a')) + ":\"";
    }
    // Written whole, then renamed: seen at all means seen complete.
    std::string Report(const std::string& value) const
    {
        const std::string status = "/tmp/" + tag_ + ".status";
        return "echo " + value + " > " + status + ".part && mv " + status + ".part " + status;
    }
    std::string Status() const { return "Z:\\tmp\\" + tag_ + ".status"; }

    // The script writes the status file last; it is waited for, since a host program's process
    // handle under Wine tells nothing dependable about its end.
    void Run(const std::string& script)
    {
        DeleteFileA(Status().c_str());
        const std::string file = "Z:\\tmp\\" + tag_ + ".sh";
        WriteFileBytes(file, script);
        // From a thread of its own: under Wine 8 a thread that starts a host program can lose one of
        // the process's handles to a stale value (seen: the registry's root key); a fresh stack holds none.
        std::thread starter([this] {
            STARTUPINFOA startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION info{};
            std::string commandLine = "/bin/sh /tmp/" + tag_ + ".sh";
            if (CreateProcessA("Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info)) {
                // Host programs get no handles under Wine.
                if (info.hThread)
                    CloseHandle(info.hThread);
                if (info.hProcess)
                    CloseHandle(info.hProcess);
            }
        });
        starter.join();
        PumpUntil([&] { return GetFileAttributesA(Status().c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000);
        DeleteFileA(file.c_str());
    }

    char letter_ = 0;
    bool sized_ = false;
    std::string tag_;
    std::string folder_;
    std::string why_;
};
