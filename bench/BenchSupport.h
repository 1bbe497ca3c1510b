#pragma once
// What the bench programs share: the performance counter, order statistics of samples, files
// and folders, an installation of the program's surroundings, the private bytes of a process.
#include "toolkit/Handles.h"
#include "tools/RemoteProcess.h"
#include "tools/RemoteWindow.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// Seconds on the performance counter, from an arbitrary origin.
double Seconds();

struct Summary {
    size_t Count = 0;
    double Total = 0, Mean = 0, Median = 0, P99 = 0, Max = 0;
};
// Nearest-rank percentiles of the samples.
Summary Summarize(std::vector<double> samples);
double Median(std::vector<double> samples);

// "[Device]" with "DeviceName=VELT Imager <printer>", as the printer side writes a job file.
bool WriteJob(const std::string& path, int printer);
bool PathExists(const std::string& path);
std::string ReadTextFile(const std::string& path);

struct Entry {
    std::string Name;
    bool Folder;
};
// What lies directly inside the folder and matches the pattern, "." and ".." left out.
std::vector<Entry> ListEntries(const std::string& folder, const char* pattern = "*");
size_t CountEntries(const std::string& folder);
void RemoveTree(const std::string& path);
void EmptyFolder(const std::string& folder);

// Every activity log of a spooler folder, all days together.
std::string LogTextIn(const std::string& spoolerFolder);

// The surroundings of one run, removed again afterwards: install base with "xLead.xml", the two
// lead folders, the spooler folder ("VELTLOGD", inherited by the programs started from here), a
// jobs folder, printer 1's key (64-bit view) with "Todo" "SealQueue". All on one volume; an install
// base value that was there before comes back afterwards.
class Installation {
public:
    Installation();
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    std::string Root() const { return root_; }
    std::string Lead1() const { return root_ + "\\lead1"; }
    std::string Lead2() const { return root_ + "\\lead2"; }
    std::string Jobs() const { return root_ + "\\jobs"; }
    std::string SpoolerFolder() const { return root_ + "\\logs\\SealQueue"; }
    // Everything the activity log holds, all days together.
    std::string LogText() const;
    // Points printer 1's lead folder in "xLead.xml" elsewhere, for programs started afterwards.
    void SetLead1(const std::string& folder);

private:
    void WriteSettings(const std::string& lead1);
    std::string root_;
    bool hadInstallBase_ = false;
    std::string installBase_;
};

// The process's private bytes (PrivateUsage, else PagefileUsage); 0 when they cannot be read.
SIZE_T PrivateBytes(DWORD processId);

// "--name value" pairs; a name without a value is kept with an empty value.
class Options {
public:
    Options(int argc, char** argv);
    bool Has(const std::string& name) const;
    std::string Text(const std::string& name, const std::string& fallback) const;
    // Every value of a name that may be given more than once.
    std::vector<std::string> Texts(const std::string& name) const;
    long Number(const std::string& name, long fallback) const;
    std::vector<long> Numbers(const std::string& name, const std::vector<long>& fallback) const;

private:
    std::vector<std::pair<std::string, std::string>> values_;
};
