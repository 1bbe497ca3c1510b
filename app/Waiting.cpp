// The main window's waiting jobs: a job not handed on joins them (or, from the command line, is
// passed to the resident instance), and they are routed again when a lead folder changes, on a
// timer, at start and on the menus' command.
#include "app/Vimager1.h"

#include "app/WaitingForm.h"
#include "app/resource.h"

#include <commctrl.h>

namespace {

// Every 30 seconds all of them again, whatever changed: not every change is notified (another
// computer's share, some drives under emulation), and rights or a registry value may have changed.
constexpr int kTicksBetweenRetries = 60;

} // namespace

void TMainForm::StartWaiting()
{
    waiting_ = std::make_unique<WaitingJobs>([this](const std::string& line) { WriteLog(line); });
    // The journal of the last run: read and tried at the first tick.
    retryPending_ = true;
}

WaitingJobs* TMainForm::WaitingList()
{
    if (waiting_ && !journalRead_) {
        journalRead_ = true;
        // The shell may deliver job notices while it looks for the folder: they join the list,
        // which the journal's jobs then join.
        if (Config.WaitingJournal.empty())
            Config.WaitingJournal = WaitingJournalPath();
        waiting_->Load(Config.WaitingJournal);
        UpdateTrayHint();
    }
    return waiting_.get();
}

bool TMainForm::KeepWaiting(JobSource Source, const RoutingOutcome& Outcome)
{
    // Refused before it was read (a path no file can have), or left by the user: nothing to keep.
    if (Outcome.Failure == RoutingFailure::None)
        return false;
    WaitingJob job;
    if (!WaitingJobNow(Outcome.Path, Outcome.Printer, Outcome.Error, Outcome.Confirmed, job))
        return false;
    job.Failure = static_cast<uint32_t>(Outcome.Failure);
    if (!waiting_)
        return Source == JobSource::CommandLine && PassJobToResident(job);
    if (!WaitingList()->Join(job))
        return false;
    UpdateTrayHint();
    return true;
}

bool TMainForm::TakePassedJob(const COPYDATASTRUCT& Notice)
{
    WaitingJob job;
    uint64_t size = 0, time = 0;
    // Only the file that the command-line instance failed with: another one in its place is not its job.
    if (!waiting_ || !ReadPassedJob(Notice, job) || !JobFileIdentity(job.Path, size, time) || size != job.Size
        || time != job.WriteTime || !WaitingList()->Join(job))
        return false;
    UpdateTrayHint();
    if (TrayIcon1.Visible()) {
        RoutingOutcome outcome;
        outcome.Failure = static_cast<RoutingFailure>(job.Failure);
        outcome.Error = job.LastError;
        TrayIcon1.ShowBalloon(Application->Title(), WaitingBalloonText(outcome));
    }
    return true;
}

void TMainForm::Timer2Timer()
{
    WaitingJobs* jobs = WaitingList();
    if (!jobs)
        return;
    bool lead1 = false, lead2 = false;
    for (const WaitingJob& job : jobs->List().Jobs()) {
        lead1 = lead1 || job.Printer == 1;
        lead2 = lead2 || job.Printer > 1;
    }
    leadWatch_.Watch(lead1 ? Config.LeadFolder : std::string());
    lead2Watch_.Watch(lead2 ? Config.Lead2Folder : std::string());
    const bool changed = leadWatch_.Changed();
    const bool changed2 = lead2Watch_.Changed();
    if (jobs->List().Empty()) {
        waitTicks_ = 0;
        retryPending_ = false;
        return;
    }
    if (changed || changed2 || ++waitTicks_ >= kTicksBetweenRetries)
        retryPending_ = true;
    // Inside a question's message loop the routing under way finishes first.
    if (retryPending_ && RoutingDepth == 0)
        RetryWaitingJobs();
}

void TMainForm::RetryWaitingJobs(const std::vector<std::string>& Paths)
{
    WaitingJobs* jobs = WaitingList();
    if (!jobs)
        return;
    const auto route = [this](const WaitingJob& job) { return RetryJob(job); };
    if (Paths.empty()) {
        retryPending_ = false;
        waitTicks_ = 0;
        jobs->RetryAll(route);
    } else {
        for (const std::string& path : Paths)
            jobs->Retry(path, route);
    }
    WaitingChanged(jobs->TakeHandedOnCount() > 0);
}

void TMainForm::DismissWaitingJobs(const std::vector<std::string>& Paths)
{
    WaitingJobs* jobs = WaitingList();
    if (!jobs)
        return;
    for (const std::string& path : Paths)
        jobs->Dismiss(path);
    WaitingChanged(false);
}

void TMainForm::WaitingChanged(bool HandedOn)
{
    UpdateTrayHint();
    if (WaitingForm && WaitingForm->Visible())
        WaitingForm->Refresh();
    if (HandedOn && waiting_->List().Empty() && TrayIcon1.Visible())
        TrayIcon1.ShowBalloon(Application->Title(), "The waiting print jobs have gone on.", NIIF_INFO);
}

// "2 jobs waiting" at the right end of the status bar, beside the status text; nothing when none.
void TMainForm::ShowWaitingCount()
{
    HWND bar = StatusBar1.Handle();
    if (!bar)
        return;
    const std::string text = WaitingCountText(waiting_ ? waiting_->List().Count() : 0);
    RECT client{};
    GetClientRect(bar, &client);
    int edges[2] = {-1, -1};
    if (!text.empty()) {
        SIZE size{};
        HDC dc = GetDC(bar);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(bar, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(bar, dc);
        // Room for the part's edges and the size grip's corner.
        edges[0] = static_cast<int>(client.right) - size.cx - Scale(24);
    }
    SendMessageA(bar, SB_SETPARTS, text.empty() ? 1 : 2, reinterpret_cast<LPARAM>(edges));
    if (!text.empty())
        SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

void TMainForm::Waitingjobs1Click()
{
    WaitingJobs* jobs = WaitingList();
    if (!jobs)
        return;
    if (!WaitingForm) {
        Application->CreateForm(WaitingForm);
        WaitingForm->OnRetry = [this](const std::vector<std::string>& paths) { RetryWaitingJobs(paths); };
        WaitingForm->OnDismiss = [this](const std::vector<std::string>& paths) { DismissWaitingJobs(paths); };
    }
    WaitingForm->Jobs = &jobs->List();
    WaitingForm->ShowModal();
}

void TMainForm::Retrywaitingjobs1Click()
{
    RetryWaitingJobs();
}

void TMainForm::ShowTrayMenu()
{
    UniqueMenu menu(LoadMenuA(Application->Instance(), MAKEINTRESOURCEA(IDM_TRAYMENU)));
    if (!menu)
        return;
    POINT at{};
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if its owner is in front.
    SetForegroundWindow(Handle());
    TrackPopupMenu(GetSubMenu(menu.get(), 0), TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
    PostMessageA(Handle(), WM_NULL, 0, 0);
}
