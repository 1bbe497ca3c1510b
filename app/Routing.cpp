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

} // namespace

void TMainForm::RouteJob(const std::string& JobPath, unsigned char Mode, int Counter)
{
    const RoutingScope scope(RoutingDepth);
    RoutingRequest request;
    request.JobPath = JobPath;
    request.Source = Mode == 0 ? JobSource::Notice : JobSource::CommandLine;
    if (request.Source == JobSource::Notice)
        request.JobId = MessageJobId(Counter);
    request.AskUser = [this] { return AskUser(); };
    ReportJobOutcome(request.Source, RouteJobFile(request, Config));
}

bool TMainForm::AskUser()
{
    ApplicationRestore();
    return Application->MessageBox("Call SealQueue?", Application->Title(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

RoutingOutcome TMainForm::RetryJob(const WaitingJob& Job)
{
    const RoutingScope scope(RoutingDepth);
    RoutingRequest request;
    request.JobPath = Job.Path;
    // A job name of its own, as a command-line job gets: the notice's number is long gone.
    request.Source = JobSource::CommandLine;
    request.AskUser = [this] { return AskUser(); };
    request.Confirmed = Job.Confirmed;
    RoutingOutcome outcome;
    try {
        outcome = RouteJobFile(request, Config);
    } catch (const std::exception&) {
        // Shown once, at the job's first attempt; a retry fails quietly like any other.
        return RoutingOutcome{};
    }
    // A failure again is not shown again: the list keeps it.
    if (outcome.HandedOn && !outcome.Cancelled && !outcome.Status.empty())
        StatusBar1.SetSimpleText(outcome.Status);
    return outcome;
}

std::string TMainForm::MessageJobId(int Counter) const
{
    return MakeJobId(Config.SessionId, Counter);
}
