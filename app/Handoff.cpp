#include "app/Handoff.h"

#include "app/Jobtext.h"
#include "support/PrinterKeys.h"
#include "toolkit/Handles.h"
#include "toolkit/Registry.h"
#include "toolkit/SysUtils.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

const char kStagingPrefix[] = "~vimg";

bool NameTaken(DWORD error)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// Without MOVEFILE_COPY_ALLOWED a move is one rename, and another volume is refused with
// ERROR_NOT_SAME_DEVICE instead of being copied under the final name. Without
// MOVEFILE_REPLACE_EXISTING a name that exists fails the rename as a whole.
DWORD Rename(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS : GetLastError();
}

// The numbers of the job names the folder holds, sorted: one pass over the folder. The pattern's
// "?" also matches shorter names, so every name is checked for the exact form.
std::vector<long long> TakenJobNumbers(const std::string& folder)
{
    std::vector<long long> taken;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileExA((folder + "\\" + kJobFilePattern).c_str(), FindExInfoBasic, &data,
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

bool ProcessEnded(DWORD processId)
{
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER;
    return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

// A staging file of a process that has ended is a copy whose job still waits at its source (the
// source goes only after the copy took its job name): it holds nothing, and goes.
void ClearStaleStaging(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileExA((folder + "\\" + kStagingPrefix + "*.tmp").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, 0));
    if (!find)
        return;
    do {
        char* end = nullptr;
        const unsigned long owner = std::strtoul(data.cFileName + sizeof kStagingPrefix - 1, &end, 10);
        if (end && *end == '-' && owner != GetCurrentProcessId() && ProcessEnded(owner))
            DeleteFileA((folder + "\\" + data.cFileName).c_str());
    } while (FindNextFileA(find.get(), &data));
}

// Moves one job into its lead folder, the staged copy across volumes made once for all names tried.
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

    DWORD MoveTo(const std::string& destination);

private:
    DWORD Stage();
    DWORD CopyInto(HANDLE target);

    std::string job_;
    std::string folder_;
    std::string staging_;
    UniqueFile source_;
};

DWORD JobMover::MoveTo(const std::string& destination)
{
    if (staging_.empty()) {
        const DWORD error = Rename(job_, destination);
        if (error != ERROR_NOT_SAME_DEVICE)
            return error;
        const DWORD staged = Stage();
        if (staged != ERROR_SUCCESS)
            return staged;
    }
    const DWORD error = Rename(staging_, destination);
    if (error != ERROR_SUCCESS)
        return error;
    staging_.clear();
    // The job is in place; a source that cannot go stays, as the platform's own copy leaves it.
    // Ended between the rename and here, the process leaves the job twice, never nowhere.
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
    ClearStaleStaging(folder_);
    DWORD error = ERROR_FILE_EXISTS;
    for (int number = 0; number < 1000 && NameTaken(error); ++number) {
        const std::string name = Format("%s\\%s%lu-%d.tmp", folder_.c_str(), kStagingPrefix,
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

} // namespace

Handoff HandOffJob(const std::string& job, const std::string& folder, const std::string& preferredName)
{
    JobMover mover(job, folder);
    Handoff result;
    if (!preferredName.empty()) {
        result.Destination = folder + "\\" + preferredName;
        result.Error = mover.MoveTo(result.Destination);
        // Never over a waiting job: an earlier run's job of the same counter, or a command-line job in session 0.
        if (!NameTaken(result.Error))
            return result;
    }
    // One listing; a number taken since then fails its rename, and the next free one is tried.
    const std::vector<long long> taken = TakenJobNumbers(folder);
    result.Error = ERROR_FILE_EXISTS;
    result.Destination = folder;
    for (long long number = LowestFreeJobNumber(taken, 0); number >= 0 && NameTaken(result.Error);
         number = LowestFreeJobNumber(taken, number + 1)) {
        result.Destination = folder + "\\" + JobFileName(number);
        result.Error = mover.MoveTo(result.Destination);
    }
    return result;
}

RoutingOutcome StartConverter(const std::string& job, long index)
{
    TRegistry registry(PrinterKeyAccess(KEY_READ));
    registry.SetRootKey(HKEY_CURRENT_USER);
    const std::string key = ConverterKeyPath(index);
    if (!registry.OpenKeyReadOnly(key))
        return {"Failed to open " + key};
    if (!registry.ValueExists("ExePath"))
        return {key + "\\ExePath not found"};
    const std::string exePath = registry.ReadString("ExePath");
    if (RunsThroughInterpreter(exePath) && job.find_first_of("%&^|<>\r\n") != std::string::npos)
        return {"Job path not safe for a batch converter: " + job};
    std::string commandLine = Format("\"%s\" \"%s\"", exePath.c_str(), job.c_str());

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        const DWORD error = GetLastError();
        return {Format("Create process failed, error %lu", static_cast<unsigned long>(error)), std::string(), false,
                error};
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    return {std::string(), std::string(), true};
}
