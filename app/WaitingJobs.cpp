#include "app/WaitingJobs.h"

#include "app/JobRouting.h"
#include "app/Jobtext.h"
#include "toolkit/Classes.h"
#include "toolkit/SysUtils.h"

#include <shlobj.h>

#include <vector>

namespace {

uint64_t FileTimeValue(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::string ParentFolder(const std::string& folder)
{
    const std::string trimmed = ExcludeTrailingPathDelimiter(folder);
    const size_t separator = trimmed.find_last_of("\\/");
    if (separator == std::string::npos)
        return std::string();
    std::string parent = trimmed.substr(0, separator);
    // "C:" alone is the current folder of that drive, not its root.
    if (parent.size() == 2 && parent[1] == ':')
        parent += '\\';
    return parent == trimmed ? std::string() : parent;
}

} // namespace

std::string WaitingJournalPath()
{
    char folder[MAX_PATH] = {0};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder)) || !folder[0])
        return std::string();
    return IncludeTrailingPathDelimiter(folder) + "VELT Korvel\\VELT Imager Support\\waiting.txt";
}

bool ReadJournal(const std::string& path, WaitingList& list, size_t& skippedLines)
{
    list.LoadJournalText(std::string());
    skippedLines = 0;
    // A journal of 10,000 jobs with long paths stays far below the limit; more is not one of ours.
    std::string text;
    if (!ReadWholeFile(path, text))
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    skippedLines = list.LoadJournalText(text);
    return true;
}

bool WriteJournal(const std::string& path, const WaitingList& list)
{
    const std::string folder = ExtractFilePath(path);
    if (!folder.empty())
        ForceDirectories(folder);
    return ReplaceWholeFile(path, list.JournalText());
}

bool JobFileIdentity(const std::string& path, uint64_t& size, uint64_t& writeTime)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    // No 8-bit file function opens a longer name; Wine's ended the program on megabytes of one.
    if (path.empty() || path.size() >= MAX_PATH
        || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)
        || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    writeTime = FileTimeValue(data.ftLastWriteTime);
    return true;
}

bool WaitingJobNow(const std::string& path, long printer, DWORD error, bool confirmed, WaitingJob& job)
{
    job = WaitingJob();
    job.Path = path;
    if (!JobFileIdentity(path, job.Size, job.WriteTime))
        return false;
    job.Printer = printer > 0 ? printer : 0;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    job.Since = FileTimeValue(now);
    job.LastError = error;
    job.Confirmed = confirmed;
    return true;
}

std::string SystemErrorText(DWORD code)
{
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text(buffer ? buffer : "", length);
    LocalFree(buffer);
    // The system ends its texts with a line break, and some hold one inside.
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return Trim(text);
}

WaitingJobText DescribeWaitingJob(const WaitingJob& job)
{
    WaitingJobText text;
    text.Path = job.Path;
    text.Printer = job.Printer > 0 ? Format("VELT Imager %ld", job.Printer) : "unknown";
    FILETIME utc{static_cast<DWORD>(job.Since), static_cast<DWORD>(job.Since >> 32)};
    SYSTEMTIME universal, local;
    if (FileTimeToSystemTime(&utc, &universal) && SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        text.Since = Format("%04d-%02d-%02d %02d:%02d:%02d", local.wYear, local.wMonth, local.wDay, local.wHour,
                            local.wMinute, local.wSecond);
    if (job.LastError == 0) {
        text.Error = FailureReasonText(static_cast<RoutingFailure>(job.Failure), 0);
    } else {
        const std::string message = SystemErrorText(job.LastError);
        text.Error = Format("%lu", static_cast<unsigned long>(job.LastError)) + (message.empty() ? "" : ": " + message);
    }
    return text;
}

bool PassJobToResident(const WaitingJob& job)
{
    std::string line = JournalLine(job);
    COPYDATASTRUCT notice{JobPassOverKind, static_cast<DWORD>(line.size() + 1), &line[0]};
    // Other command-line instances may have windows of the same class: only the resident one takes it.
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "TMainForm", "VELT Imager Support")) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            continue;
        DWORD_PTR reply = 0;
        // The resident may be routing a job of its own, a question open: give it time.
        if (SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice), SMTO_ABORTIFHUNG, 60000,
                                &reply)
            && static_cast<LRESULT>(reply) == JobTakenReply)
            return true;
    }
    return false;
}

bool ReadPassedJob(const COPYDATASTRUCT& notice, WaitingJob& job)
{
    return notice.dwData == JobPassOverKind && ParseJournalLine(NarrowPayload(notice.lpData, notice.cbData), job);
}

void FolderWatch::Watch(const std::string& folder)
{
    if (folder == folder_ && (change_ || folder.empty()))
        return;
    folder_ = folder;
    watched_.clear();
    change_.reset();
    Arm();
}

void FolderWatch::Arm()
{
    std::string target = folder_;
    while (!target.empty() && !DirectoryExists(target))
        target = ParentFolder(target);
    if (target == watched_ && change_) {
        FindNextChangeNotification(change_.get());
        return;
    }
    change_.reset();
    watched_ = target;
    if (target.empty())
        return;
    // On the folder itself: jobs taken away, rights or attributes changed. On a parent: the folder
    // (or one of its parents) made.
    const DWORD what = target == folder_ ? FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME
                                               | FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY
                                         : FILE_NOTIFY_CHANGE_DIR_NAME;
    change_.reset(FindFirstChangeNotificationA(target.c_str(), FALSE, what));
}

bool FolderWatch::Changed()
{
    if (!change_ || WaitForSingleObject(change_.get(), 0) != WAIT_OBJECT_0) {
        // A watch that could not be set up is tried again: the folder may be there now.
        if (!change_ && !folder_.empty()) {
            const std::string before = watched_;
            watched_.clear();
            Arm();
            return change_ && watched_ != before;
        }
        return false;
    }
    Arm();
    return true;
}

WaitingJobs::WaitingJobs(Logger log) : log_(std::move(log))
{
}

void WaitingJobs::Load(const std::string& journalPath)
{
    journalPath_ = journalPath;
    if (journalPath_.empty())
        return;
    WaitingList journal;
    size_t skipped = 0;
    if (!ReadJournal(journalPath_, journal, skipped))
        log_("Waiting jobs: could not read " + journalPath_);
    else if (skipped > 0)
        log_(Format("Waiting jobs: %lu unreadable line%s of %s skipped", static_cast<unsigned long>(skipped),
                    skipped == 1 ? "" : "s", journalPath_.c_str()));
    const bool joinedBefore = !list_.Empty();
    // A job that joined while the journal was looked for is newer: it keeps what it says.
    for (const WaitingJob& job : journal.Jobs())
        if (!list_.Find(job.Path))
            list_.Join(job);
    if (joinedBefore)
        Save();
}

void WaitingJobs::Save()
{
    unsaved_ = false;
    if (!journalPath_.empty())
        WriteJournal(journalPath_, list_);
}

bool WaitingJobs::Join(const WaitingJob& job)
{
    uint64_t size = 0, time = 0;
    if (!JobFileIdentity(job.Path, size, time))
        return false;
    if (list_.Join(job) == WaitingList::Joined::Full)
        return false;
    Save();
    return true;
}

bool WaitingJobs::Dismiss(const std::string& path)
{
    if (!list_.Remove(path))
        return false;
    Save();
    log_("Dismissed from the waiting jobs, left where it is: " + path);
    return true;
}

WaitingJobs::Step WaitingJobs::RetryOne(const std::string& path, const Router& route)
{
    const WaitingJob* waiting = list_.Find(path);
    if (!waiting)
        return Step::Skipped;
    // Routed already further up this call chain (a question of it is open): not a second time.
    const std::string key = JobPathKey(path);
    if (routing_.count(key))
        return Step::Skipped;
    uint64_t size = 0, time = 0;
    if (!JobFileIdentity(path, size, time)) {
        list_.Remove(path);
        log_("Gone from the waiting jobs, its file is no longer there: " + path);
        return Step::Changed;
    }
    if (size != waiting->Size || time != waiting->WriteTime) {
        list_.Remove(path);
        log_("Gone from the waiting jobs, its file is another now: " + path);
        return Step::Changed;
    }
    const WaitingJob job = *waiting;
    routing_.insert(key);
    RoutingOutcome result;
    try {
        result = route(job);
    } catch (...) {
        routing_.erase(key);
        throw;
    }
    routing_.erase(key);
    // Dismissed while its question was open.
    if (!list_.Find(path))
        return Step::Skipped;
    if (result.Cancelled) {
        list_.Remove(path);
        log_("Dismissed from the waiting jobs, left where it is: " + path);
        return Step::Changed;
    }
    if (result.HandedOn) {
        list_.Remove(path);
        ++handedOn_;
        log_("Handed on after waiting: " + path + (result.Status.empty() ? std::string() : ", " + result.Status));
        return Step::Changed;
    }
    WaitingJob again = job;
    again.LastError = result.Error;
    again.Failure = static_cast<uint32_t>(result.Failure);
    again.Confirmed = job.Confirmed || result.Confirmed;
    const bool changed =
        again.LastError != job.LastError || again.Failure != job.Failure || again.Confirmed != job.Confirmed;
    list_.Join(again);
    return changed ? Step::Changed : Step::Unchanged;
}

void WaitingJobs::Retry(const std::string& path, const Router& route)
{
    if (RetryOne(path, route) == Step::Changed)
        Save();
}

void WaitingJobs::RetryAll(const Router& route)
{
    std::vector<std::string> paths;
    for (const WaitingJob& job : list_.Jobs())
        paths.push_back(job.Path);
    size_t changes = 0;
    for (const std::string& path : paths) {
        if (RetryOne(path, route) != Step::Changed)
            continue;
        // Written now and then as well: killed in a long pass, the next run finds less to look at.
        if (++changes % 50 == 0)
            Save();
        else
            unsaved_ = true;
    }
    if (unsaved_)
        Save();
}

size_t WaitingJobs::TakeHandedOnCount()
{
    const size_t count = handedOn_;
    handedOn_ = 0;
    return count;
}
