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
    request.Mode = Mode;
    if (Mode == 0)
        request.JobId = MessageJobId(Counter);
    request.LeadFolder = LeadFolder;
    request.Lead2Folder = Lead2Folder;
    request.AskUser = [this] {
        ApplicationRestore(this);
        return Application->MessageBox("Call SealQueue?", Application->Title(), MB_OKCANCEL | MB_ICONQUESTION) ==
               IDOK;
    };
    const RoutingOutcome outcome = RouteJobFile(request);
    if (!outcome.Status.empty())
        StatusBar1.SetSimpleText(outcome.Status);
    if (!outcome.LogLine.empty())
        WriteLog(outcome.LogLine);
    ReportJobOutcome(Mode, outcome.HandedOn, StatusBar1.SimpleText());
}

std::string TMainForm::MessageJobId(int Counter)
{
    return MakeJobId(SessionId, Counter);
}
