#pragma once
// The resident instance's waiting jobs on the platform: the journal file, knowing a job's file
// again, retrying, watching a lead folder for the change that may let a job go on, and a
// command-line instance passing its job over. Nothing here shows anything; log lines go to the
// caller.
#include "app/JobRouting.h"
#include "app/WaitingList.h"
#include "toolkit/Handles.h"

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

// The journal of the current user: the local application data folder, then the maker's and the
// program's folders. Empty when the shell does not know that folder.
std::string WaitingJournalPath();
// The journal's jobs; a missing journal is an empty list. False when it exists but cannot be read.
bool ReadJournal(const std::string& path, WaitingList& list, size_t& skippedLines);
// Writes the journal whole under another name in its folder, then renames it over the old one, so
// that a kill leaves the old journal or the new one, never a part.
bool WriteJournal(const std::string& path, const WaitingList& list);

// Size and last-write time of a file; false when there is none (or it is a folder).
bool JobFileIdentity(const std::string& path, uint64_t& size, uint64_t& writeTime);
// A job that has just failed, as it would join the list; false when its file cannot be looked at.
bool WaitingJobNow(const std::string& path, long printer, DWORD error, bool confirmed, WaitingJob& job);

// The job notice kind (dwData) by which a command-line instance passes its job to the resident
// instance; the payload is the job's journal line. The resident's reply when it took the job.
constexpr ULONG_PTR JobPassOverKind = 1003;
constexpr LRESULT JobTakenReply = 3;
// Offers the job to the resident instance of this session; true when it took it into its list.
bool PassJobToResident(const WaitingJob& job);
// The job a pass-over notice carries; false when the payload is not one.
bool ReadPassedJob(const COPYDATASTRUCT& notice, WaitingJob& job);

// The system's own text for a Windows error code, on one line; empty when it has none.
std::string SystemErrorText(DWORD code);

// One waiting job as the waiting jobs window lists it.
struct WaitingJobText {
    std::string Path;
    // "VELT Imager 1", or "unknown" when the printer name could not be read.
    std::string Printer;
    // The first failure in local time, "2026-12-10 14:03:07".
    std::string Since;
    // "3: The system cannot find the path specified."; for a failure without a code, its kind in
    // plain words ("its printer's action is unknown").
    std::string Error;
};
WaitingJobText DescribeWaitingJob(const WaitingJob& job);

// A change notification on a folder or, while it does not exist, on its nearest existing parent.
class FolderWatch {
public:
    FolderWatch() = default;
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Starts watching (again) for this folder; an empty folder stops it.
    void Watch(const std::string& folder);
    const std::string& Folder() const { return folder_; }
    // The folder actually watched: the folder itself or a parent of it; empty when none.
    const std::string& Watched() const { return watched_; }
    // True once after something changed there; the watch moves on to the nearest existing folder.
    bool Changed();

private:
    void Arm();

    std::string folder_;
    std::string watched_;
    UniqueChangeNotification change_;
};

// The list with its journal: every change is written whole at once, except the removals of a
// retry pass, written at its end.
class WaitingJobs {
public:
    // Routes a waiting job again; a Cancelled outcome leaves it where it is, on purpose.
    using Router = std::function<RoutingOutcome(const WaitingJob&)>;
    using Logger = std::function<void(const std::string&)>;

    explicit WaitingJobs(Logger log);

    // Reads the journal of the last run into the list, beside the jobs that joined before it was
    // read, and keeps the list there from now on. An unreadable journal, or lines skipped, are
    // logged once.
    void Load(const std::string& journalPath);
    // A job that was not handed on. False when it cannot wait: its file is gone or the list is full.
    bool Join(const WaitingJob& job);
    // Leaves the job at its source and takes it off the list.
    bool Dismiss(const std::string& path);
    // Routes every waiting job again (or one); jobs whose file is gone or changed leave the list
    // without being routed. A job that is being routed already is not routed a second time.
    void RetryAll(const Router& route);
    void Retry(const std::string& path, const Router& route);

    const WaitingList& List() const { return list_; }
    // Jobs that left the list handed on since this was last asked.
    size_t TakeHandedOnCount();

private:
    enum class Step { Unchanged, Changed, Skipped };
    Step RetryOne(const std::string& path, const Router& route);
    void Save();

    std::string journalPath_;
    Logger log_;
    WaitingList list_;
    std::set<std::string> routing_;
    size_t handedOn_ = 0;
    bool unsaved_ = false;
};
