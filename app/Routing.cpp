// The main window's side of job routing: the question, the status bar and the log.
#include "app/Vimager1.h"

#include "app/JobRouting.h"
#include "app/Jobtext.h"

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

bool AskUser()
{
    Application->Restore();
    Application->BringToFront();
    return Application->MessageBox("Call SealQueue?", Application->Title(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

} // namespace

void TMainForm::RouteJob(const std::string& JobPath, unsigned char Mode, int Counter)
{
    const RoutingScope scope(RoutingDepth);
    RoutingRequest request;
    request.JobPath = JobPath;
    request.Mode = Mode;
    if (Mode == 0)
        request.JobId = MessageJobId(Counter);
    request.LeadFolder = LeadFolder;
    request.Lead2Folder = Lead2Folder;
    request.AskUser = AskUser;
    const RoutingOutcome outcome = RouteJobFile(request);
    if (!outcome.Status.empty())
        StatusBar1.SetSimpleText(outcome.Status);
    if (!outcome.LogLine.empty())
        WriteLog(outcome.LogLine);
    const bool waits = !outcome.HandedOn && KeepWaiting(outcome, Mode);
    ReportJobOutcome(Mode, outcome.HandedOn, StatusBar1.SimpleText(), waits ? WaitingBalloonText(outcome) : "");
}

RetryResult TMainForm::RetryJob(const WaitingJob& Job)
{
    const RoutingScope scope(RoutingDepth);
    RoutingRequest request;
    request.JobPath = Job.Path;
    // A job name of its own, as a command-line job gets: the notice's number is long gone.
    request.Mode = 1;
    request.LeadFolder = LeadFolder;
    request.Lead2Folder = Lead2Folder;
    request.AskUser = AskUser;
    request.Confirmed = Job.Confirmed;
    RetryResult result;
    RoutingOutcome outcome;
    try {
        outcome = RouteJobFile(request);
    } catch (const std::exception&) {
        // Shown once, at the job's first attempt; a retry fails quietly like any other.
        return result;
    }
    result.Cancelled = outcome.Cancelled;
    result.HandedOn = outcome.HandedOn && !outcome.Cancelled;
    result.Error = outcome.Error;
    result.Confirmed = outcome.Confirmed;
    result.Status = outcome.Status;
    // A failure again is not shown again: the list keeps it.
    if (result.HandedOn && !outcome.Status.empty())
        StatusBar1.SetSimpleText(outcome.Status);
    return result;
}

std::string TMainForm::MessageJobId(int Counter)
{
    return MakeJobId(SessionId, Counter);
}
