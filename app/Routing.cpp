// Job routing: which printer made the job, what its key asks for, and carrying that out.
#include "app/Vimager1.h"

#include "app/Jobtext.h"
#include "support/Vsupport1.h"
#include "toolkit/IniFiles.h"
#include "toolkit/Registry.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

class RoutingScope {
public:
    explicit RoutingScope(int& depth) : depth_(depth) { ++depth_; }
    ~RoutingScope() { --depth_; }
    RoutingScope(const RoutingScope&) = delete;
    RoutingScope& operator=(const RoutingScope&) = delete;

private:
    int& depth_;
};

bool IsAbsolutePath(const std::string& path)
{
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 2 && separator(path[0]) && separator(path[1]))
        return true;
    return path.size() >= 3 && path[1] == ':' && separator(path[2]);
}

bool NameTaken(DWORD error)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

std::string ReadAction(TRegistry& registry, long index)
{
    std::string action;
    if (registry.OpenKeyReadOnly(Format("SOFTWARE\\VELT Korvel\\VELT Imager %ld", index))) {
        try {
            action = Trim(registry.ReadString("Todo"));
        } catch (const ERegistryException&) {
            action.clear();
        }
        registry.CloseKey();
    }
    return action;
}

void ReportMoveFailure(TMainForm& form, DWORD error, const std::string& path, const std::string& destination)
{
    const std::string text = Format("Error %lu moving %s into %s", static_cast<unsigned long>(error), path.c_str(),
                                    destination.c_str());
    form.StatusBar1.SetSimpleText(text);
    form.WriteLog(text);
}

// An empty placeholder left behind would reach the spooler as an empty job.
void DropPlaceholder(const std::string& name)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.nFileSizeLow == 0 && data.nFileSizeHigh == 0)
        DeleteFileA(name.c_str());
}

// Without MOVEFILE_COPY_ALLOWED a move is one rename, and another volume is refused with
// ERROR_NOT_SAME_DEVICE instead of being copied under the final name.
DWORD Rename(const std::string& from, const std::string& to, bool replace)
{
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExA(from.c_str(), to.c_str(), flags) ? ERROR_SUCCESS : GetLastError();
}

// Moves one job into its lead folder. Across volumes the spooler must never see a partial job:
// the copy is written under a name it does not take, flushed, then renamed onto the destination.
class JobMover {
public:
    JobMover(const std::string& job, const std::string& folder) : job_(job), folder_(folder) {}
    ~JobMover()
    {
        if (!staging_.empty())
            DeleteFileA(staging_.c_str());
    }
    JobMover(const JobMover&) = delete;
    JobMover& operator=(const JobMover&) = delete;

    DWORD MoveTo(const std::string& destination, bool replace);

private:
    DWORD Stage();
    DWORD CopyInto(HANDLE target);

    std::string job_;
    std::string folder_;
    std::string staging_;
    UniqueFile source_;
};

DWORD JobMover::MoveTo(const std::string& destination, bool replace)
{
    if (staging_.empty()) {
        const DWORD error = Rename(job_, destination, replace);
        if (error != ERROR_NOT_SAME_DEVICE)
            return error;
        const DWORD staged = Stage();
        if (staged != ERROR_SUCCESS)
            return staged;
    }
    const DWORD error = Rename(staging_, destination, replace);
    if (error != ERROR_SUCCESS)
        return error;
    staging_.clear();
    // The job is in place; a source that cannot go stays, as the platform's own copy leaves it.
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(source_.get(), FileDispositionInfo, &disposition, sizeof disposition);
    source_.reset();
    return ERROR_SUCCESS;
}

DWORD JobMover::Stage()
{
    // Writers are kept out while the copy is made, and the delete access is taken now, so that a
    // job nobody may delete fails here as its rename would.
    source_.reset(CreateFileA(job_.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source_)
        return GetLastError();
    DWORD error = ERROR_FILE_EXISTS;
    for (int number = 0; number < 1000 && NameTaken(error); ++number) {
        const std::string name = Format("%s\\~vimg%lu-%d.tmp", folder_.c_str(),
                                        static_cast<unsigned long>(GetCurrentProcessId()), number);
        UniqueFile target(
            CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!target) {
            error = GetLastError();
            continue;
        }
        error = CopyInto(target.get());
        target.reset();
        if (error != ERROR_SUCCESS) {
            DeleteFileA(name.c_str());
            break;
        }
        staging_ = name;
    }
    if (error != ERROR_SUCCESS)
        source_.reset();
    return error;
}

DWORD JobMover::CopyInto(HANDLE target)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source_.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return GetLastError();
        if (read == 0)
            break;
        DWORD written = 0;
        if (!WriteFile(target, buffer.data(), read, &written, nullptr))
            return GetLastError();
        if (written != read)
            return ERROR_DISK_FULL;
    }
    FILETIME creation, access, write;
    if (GetFileTime(source_.get(), &creation, &access, &write))
        SetFileTime(target, nullptr, nullptr, &write);
    return FlushFileBuffers(target) ? ERROR_SUCCESS : GetLastError();
}

bool MoveToSpooler(TMainForm& form, const std::string& path, long index, unsigned char mode, int counter)
{
    const std::string folder = index == 1 ? form.LeadFolder : form.Lead2Folder;
    if (!DirectoryExists(folder))
        ForceDirectories(folder);
    if (!DirectoryExists(folder)) {
        form.StatusBar1.SetSimpleText("Directory " + folder + " does not exist!");
        return false;
    }

    JobMover mover(path, folder);
    std::string destination;
    if (mode == 0) {
        destination = folder + Format("\\job%s.log", form.MessageJobId(counter).c_str());
        // Never over a waiting job: an earlier run's job of the same counter, or a command-line job in session 0.
        const DWORD error = mover.MoveTo(destination, false);
        if (error == ERROR_SUCCESS) {
            form.StatusBar1.SetSimpleText("OUT = " + destination);
            return true;
        }
        if (!NameTaken(error)) {
            ReportMoveFailure(form, error, path, destination);
            return false;
        }
    }
    destination = form.ReserveJobFileName(folder);
    if (destination.empty()) {
        ReportMoveFailure(form, GetLastError(), path, folder);
        return false;
    }
    // The placeholder is ours: replacing it is what the reservation was for.
    const DWORD error = mover.MoveTo(destination, true);
    if (error != ERROR_SUCCESS) {
        DropPlaceholder(destination);
        ReportMoveFailure(form, error, path, destination);
        return false;
    }
    form.StatusBar1.SetSimpleText("OUT = " + destination);
    return true;
}

// A batch file runs through the command interpreter, which expands these in its arguments,
// quotation marks or not; a line break ends its command.
bool RunsThroughInterpreter(const std::string& exePath)
{
    // The file system drops trailing dots and blanks: "conv.bat ." is conv.bat.
    const size_t end = exePath.find_last_not_of(". ");
    const std::string name = end == std::string::npos ? std::string() : exePath.substr(0, end + 1);
    return name.size() >= 4 &&
           (AnsiSameText(name.substr(name.size() - 4), ".bat") || AnsiSameText(name.substr(name.size() - 4), ".cmd"));
}

bool StartConverter(TMainForm& form, TRegistry& registry, const std::string& path, long index)
{
    registry.SetRootKey(HKEY_CURRENT_USER);
    std::string key = "SOFTWARE\\VELT Korvel\\EmfRaster";
    if (index > 1)
        AppendFormat(key, "%ld", index);
    if (!registry.OpenKeyReadOnly(key)) {
        form.StatusBar1.SetSimpleText("Failed to open " + key);
        return false;
    }
    if (!registry.ValueExists("ExePath")) {
        form.StatusBar1.SetSimpleText(key + "\\ExePath not found");
        return false;
    }
    // A value of another type raises the registry error to the caller's exception display.
    const std::string exePath = registry.ReadString("ExePath");
    if (RunsThroughInterpreter(exePath) && path.find_first_of("%&^|<>\r\n") != std::string::npos) {
        form.StatusBar1.SetSimpleText("Job path not safe for a batch converter: " + path);
        return false;
    }
    std::string commandLine = Format("\"%s\" \"%s\"", exePath.c_str(), path.c_str());

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        form.StatusBar1.SetSimpleText(
            Format("Create process failed, error %lu", static_cast<unsigned long>(GetLastError())));
        return false;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    return true;
}

} // namespace

void TMainForm::RouteJob(const std::string& JobPath, unsigned char Mode, int Counter)
{
    const RoutingScope scope(RoutingDepth);
    const bool handedOn = CarryOutJob(JobPath, Mode, Counter);
    ReportJobOutcome(Mode, handedOn, StatusBar1.SimpleText());
}

// True when the job went on: moved, converter started, or left on purpose by the user's Cancel.
bool TMainForm::CarryOutJob(const std::string& JobPath, unsigned char Mode, int Counter)
{
    // No Windows file name holds one, and it would split the converter's command line.
    if (JobPath.find('"') != std::string::npos) {
        StatusBar1.SetSimpleText("Job path holds a quotation mark: " + JobPath);
        return false;
    }
    // The profile reader looks for a relative name in the Windows folder, the move in the current one.
    const std::string path = IsAbsolutePath(JobPath) ? JobPath : ExpandFileName(JobPath);

    TRegistry registry(KEY_READ | (IsWindows64() ? KEY_WOW64_64KEY : 0));
    registry.SetRootKey(HKEY_LOCAL_MACHINE);

    const std::string printer = TIniFile(path).ReadString("Device", "DeviceName", "");
    long index = 0;
    if (!ParsePrinterIndex(printer, index)) {
        StatusBar1.SetSimpleText("Could not read Printer name");
        return false;
    }
    if (index <= 0) {
        StatusBar1.SetSimpleText(Format("Printer name is %ld", index));
        return false;
    }

    std::string action = ReadAction(registry, index);
    if (AnsiSameText(action, "Ask user")) {
        Application->Restore();
        Application->BringToFront();
        if (Application->MessageBox("Call SealQueue?", Application->Title(), MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
            return true;
        action = "SealQueue";
    }

    if (action.empty() || AnsiSameText(action, "SealQueue"))
        return MoveToSpooler(*this, path, index, Mode, Counter);
    if (AnsiSameText(action, "EmfRaster"))
        return StartConverter(*this, registry, path, index);
    StatusBar1.SetSimpleText("todostr = " + action);
    return false;
}

namespace {

struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};
using UniqueFind = UniqueResource<HANDLE, FindHandleTraits>;

// The numbers of the job names the folder holds, sorted: one pass over the folder. The pattern's
// "?" also matches shorter names, so every name is checked for the exact form.
std::vector<long long> TakenJobNumbers(const std::string& folder)
{
    std::vector<long long> taken;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileExA((folder + "\\job??????????.log").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find)
        return taken;
    do {
        const long long number = JobFileNumber(data.cFileName);
        if (number >= 0)
            taken.push_back(number);
    } while (FindNextFileA(find.get(), &data));
    std::sort(taken.begin(), taken.end());
    return taken;
}

} // namespace

// The new placeholder's full path; on failure the empty text, with the code in GetLastError.
// A folder that cannot be listed leaves every number to CreateFileA, one after another.
std::string TMainForm::ReserveJobFileName(const std::string& Folder)
{
    const std::vector<long long> taken = TakenJobNumbers(Folder);
    DWORD error = ERROR_FILE_EXISTS;
    for (long long number = LowestFreeJobNumber(taken, 0); number >= 0;
         number = LowestFreeJobNumber(taken, number + 1)) {
        const std::string name = Format("%s\\job%010lld.log", Folder.c_str(), number);
        UniqueFile file(
            CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return name;
        error = GetLastError();
        // Taken since the folder was read, by another process: on to the next free number.
        if (!NameTaken(error))
            break;
    }
    SetLastError(error);
    return std::string();
}

std::string TMainForm::MessageJobId(int Counter)
{
    return MakeJobId(SessionId, Counter);
}
