// The main window's waiting jobs: a job not handed on joins them (or, from the command line, is
// passed to the resident instance), and they are routed again when a lead folder changes, on a
// timer, at start and on the menu's command.
#include "app/Vimager1.h"

namespace {

constexpr UINT_PTR kWaitTimer = 0x7E2;
constexpr UINT kWaitInterval = 500;
// Every 30 seconds all of them again, whatever changed: not every change is notified (another
// computer's share, some drives under emulation), and rights or a registry value may have changed.
constexpr int kTicksBetweenRetries = 60;

} // namespace

void TMainForm::StartWaiting()
{
    // Made before the journal is looked for: the shell can deliver job notices meanwhile.
    Waiting = std::make_unique<WaitingJobs>([this](const std::string& line) { WriteLog(line); });
    Waiting->Load(WaitingJournalPath());
    // The journal of the last run: tried at the first tick.
    RetryPending = !Waiting->List().Empty();
    UpdateTrayHint();
    StartTimer(kWaitTimer, kWaitInterval, [this] { WaitTimerTimer(); });
}

bool TMainForm::KeepWaiting(const RoutingOutcome& Outcome, unsigned char Mode)
{
    // Refused before it was read (a path no file can have): nothing to keep.
    if (Outcome.Failure == RoutingFailure::None)
        return false;
    WaitingJob job;
    if (!WaitingJobNow(Outcome.Path, Outcome.Printer, Outcome.Error, Outcome.Confirmed, job))
        return false;
    if (!Waiting)
        return Mode != 0 && PassJobToResident(job);
    if (!Waiting->Join(job))
        return false;
    UpdateTrayHint();
    return true;
}

bool TMainForm::TakePassedJob(const COPYDATASTRUCT& Notice)
{
    WaitingJob job;
    uint64_t size = 0, time = 0;
    // Only the file that the command-line instance failed with: another one in its place is not its job.
    if (!Waiting || !ReadPassedJob(Notice, job) || !JobFileIdentity(job.Path, size, time) || size != job.Size
        || time != job.WriteTime || !Waiting->Join(job))
        return false;
    UpdateTrayHint();
    if (TrayIcon1.Visible()) {
        RoutingOutcome outcome;
        outcome.Failure = job.LastError != 0 ? RoutingFailure::Move : RoutingFailure::None;
        outcome.Error = job.LastError;
        TrayIcon1.ShowBalloon(Application->Title(), WaitingBalloonText(outcome));
    }
    return true;
}

void TMainForm::WaitTimerTimer()
{
    if (!Waiting)
        return;
    bool lead1 = false, lead2 = false;
    for (const WaitingJob& job : Waiting->List().Jobs()) {
        lead1 = lead1 || job.Printer == 1;
        lead2 = lead2 || job.Printer > 1;
    }
    LeadWatch.Watch(lead1 ? LeadFolder : std::string());
    Lead2Watch.Watch(lead2 ? Lead2Folder : std::string());
    const bool changed = LeadWatch.Changed();
    const bool changed2 = Lead2Watch.Changed();
    if (Waiting->List().Empty()) {
        WaitTicks = 0;
        return;
    }
    if (changed || changed2 || ++WaitTicks >= kTicksBetweenRetries)
        RetryPending = true;
    // Inside a question's message loop the routing under way finishes first.
    if (RetryPending && RoutingDepth == 0)
        RetryWaitingJobs();
}

void TMainForm::RetryWaitingJobs()
{
    RetryPending = false;
    WaitTicks = 0;
    if (!Waiting || Waiting->List().Empty())
        return;
    Waiting->RetryAll([this](const WaitingJob& job) { return RetryJob(job); });
    WaitingChanged(Waiting->TakeHandedOnCount() > 0);
}

void TMainForm::WaitingChanged(bool HandedOn)
{
    UpdateTrayHint();
    if (HandedOn && Waiting->List().Empty() && TrayIcon1.Visible())
        TrayIcon1.ShowBalloon(Application->Title(), "The waiting print jobs have gone on.", NIIF_INFO);
}

void TMainForm::DismissWaitingJob(const std::string& Path)
{
    if (Waiting && Waiting->Dismiss(Path))
        WaitingChanged(false);
}

void TMainForm::Retrywaitingjobs1Click(TObject* /*Sender*/)
{
    RetryWaitingJobs();
}
