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
};

struct RoutingOutcome {
    // For the status bar; empty: the status stays as it is.
    std::string Status;
    // For the activity log; empty: nothing.
    std::string LogLine;
    // Moved, converter started, or left on purpose by the user's Cancel.
    bool HandedOn = false;
};

RoutingOutcome RouteJobFile(const RoutingRequest& request);

// Why a job path that reached the program as UTF-16 is not routed: it has no 8-bit form that
// names the same file.
std::string InexactPathText(const std::string& converted);
