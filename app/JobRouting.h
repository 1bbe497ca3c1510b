#pragma once
// Job routing as plain code: which printer made the job, what its key asks for, and carrying
// that out. It shows nothing itself; the caller shows and logs what it returns.
#include <windows.h>

#include <functional>
#include <string>

struct RoutingRequest {
    std::string JobPath;
    // 0: a job notice; otherwise the command-line job.
    unsigned char Mode = 0;
    // A job notice's id (session and counter), which names its job file first.
    std::string JobId;
    std::string LeadFolder;
    std::string Lead2Folder;
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
    std::string LogLine;
    // Moved, converter started, or left on purpose by the user's Cancel.
    bool HandedOn = false;
    bool Cancelled = false;
    // The question was answered OK (now or before).
    bool Confirmed = false;
    RoutingFailure Failure = RoutingFailure::None;
    // The Windows error code of the failure; 0 when it had none.
    DWORD Error = ERROR_SUCCESS;
    // The job's full path as routed, and its printer index (0 when not read).
    std::string Path = std::string();
    long Printer = 0;
};

RoutingOutcome RouteJobFile(const RoutingRequest& request);

// Why a job path that reached the program as UTF-16 is not routed: it has no 8-bit form that
// names the same file.
std::string InexactPathText(const std::string& converted);

// What a balloon says of a job that now waits: in plain words, short enough to be shown whole.
std::string WaitingBalloonText(const RoutingOutcome& outcome);
