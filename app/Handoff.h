#pragma once
// Carrying a routing out: the job handed to the spooler under a job name of its lead folder, or
// the converter started on it. Neither shows anything; the caller reports what they return.
#include "app/JobRouting.h"

#include <string>

struct Handoff {
    DWORD Error = ERROR_SUCCESS;
    // The job's new path; on failure the name the job was being moved onto.
    std::string Destination;
};

// Moves the job into the folder under a job name ("job" + ten characters + ".log") that nothing
// holds: the preferred name if it is free (empty: none), else the lowest free number. No file is
// ever replaced: a name taken meanwhile fails the rename, and the next free number is tried.
// Across volumes the job is first copied and flushed under a staging name ("~vimg" + process id),
// which the spooler does not take, and only the whole copy is renamed onto a job name; so no job
// name ever holds an empty or partial job, whenever the process ends.
Handoff HandOffJob(const std::string& job, const std::string& folder, const std::string& preferredName);

// Starts the converter of the printer on the job, not waiting for it: handed on when it started.
// A registry value of the wrong kind raises the registry error to the caller.
RoutingOutcome StartConverter(const std::string& job, long index);
