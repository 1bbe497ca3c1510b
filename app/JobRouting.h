#pragma once
// Job routing as plain code: which printer made the job, what its key asks for, and carrying
// that out. It shows nothing itself; the caller shows and logs what it returns.
#include <windows.h>

#include <functional>
#include <string>

// What the main window routes and logs by: read once at start (ReadMainConfig), or built by a test.
struct MainConfig {
    std::string LeadXmlPath;
    // Empty until first needed: finding the common data folder loads the shell and the window
    // libraries, which a command-line job does without.
    std::string SpoolerFolder;
    std::string LeadFolder;
    std::string Lead2Folder;
    DWORD SessionId = 0;
    // ProcessIdToSessionId's error; 0 when it gave the session.
    DWORD SessionError = 0;
    // The journal of the waiting jobs; empty until the resident instance first needs it.
    std::string WaitingJournal;
};

// Where a job came from: the names of command-line jobs are reserved on disk.
enum class JobSource { Notice, CommandLine };

struct RoutingRequest {
    std::string JobPath;
    JobSource Source = JobSource::Notice;
    // A job notice's id (session and counter), which names its job file first.
    std::string JobId;
    // Asks "Call SealQueue?"; true to hand the job to the spooler.
    std::function<bool()> AskUser;
    // The question was answered OK before (a job routed again): not asked again.
    bool Confirmed = false;
};

// Why a job was not handed on.
enum class RoutingFailure { None, PrinterName, PrinterIndex, Action, Folder, Move, Converter };

struct RoutingOutcome {
    // For the status bar; empty: the status stays as it is.
    std::string Status;
    // For the activity log; empty: nothing.
    std::string LogLine = {};
    // Moved, converter started, or left on purpose by the user's Cancel.
    bool HandedOn = false;
    // The Windows error of a failed move or converter start; 0 otherwise.
    DWORD Error = ERROR_SUCCESS;
    bool Cancelled = false;
    // The question was answered OK (now or before).
    bool Confirmed = false;
    RoutingFailure Failure = RoutingFailure::None;
    // The job's full path as routed, and its printer index (0 when not read).
    std::string Path = {};
    long Printer = 0;
};

RoutingOutcome RouteJobFile(const RoutingRequest& request, const MainConfig& config);

// A job path that reached the program as UTF-16 is not routed when it has no 8-bit form that
// names the same file.
RoutingOutcome InexactPathOutcome(const std::string& converted);

// Why a job was not handed on, in plain words ("the spooler's folder is missing").
std::string FailureReasonText(RoutingFailure failure, DWORD error);
// What a balloon says of a job that now waits: in plain words, short enough to be shown whole.
std::string WaitingBalloonText(const RoutingOutcome& outcome);
