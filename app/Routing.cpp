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
    request.AskUser = [this] {
        ApplicationRestore(this);
        return Application->MessageBox("Call SealQueue?", Application->Title(), MB_OKCANCEL | MB_ICONQUESTION) ==
               IDOK;
    };
    ReportJobOutcome(request.Source, RouteJobFile(request, Config));
}

std::string TMainForm::MessageJobId(int Counter) const
{
    return MakeJobId(Config.SessionId, Counter);
}
