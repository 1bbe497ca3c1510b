// What a shop would otherwise not see while the window sits in the tray: a job that was not
// handed on, and an elevated start that no printer can reach.
#include "app/Vimager1.h"

#include "app/resource.h"

void TMainForm::ReportJobOutcome(JobSource Source, const RoutingOutcome& Outcome)
{
    if (!Outcome.Status.empty())
        StatusBar1.SetSimpleText(Outcome.Status);
    if (!Outcome.LogLine.empty())
        WriteLog(Outcome.LogLine);
    const bool waits = !Outcome.HandedOn && KeepWaiting(Source, Outcome);
    if (Source == JobSource::CommandLine) {
        Application->SetExitCode(Outcome.HandedOn ? 0 : waits ? JobWaitingExitCode : JobNotHandedOnExitCode);
        return;
    }
    // An open window shows the status bar itself.
    if (Outcome.HandedOn || !TrayIcon1.Visible())
        return;
    if (!waits)
        LastFailure = Outcome.Status;
    UpdateTrayHint();
    TrayIcon1.ShowBalloon(Application->Title(), waits ? WaitingBalloonText(Outcome) : Outcome.Status);
}

// The system does not pass the printer side's job notices up to an elevated window.
void TMainForm::ShowElevationNotice()
{
    RunsElevated = true;
    StatusBar1.SetSimpleText("Elevated: gets no jobs. After Tools: File > Exit, start normally");
    UpdateTrayHint();
    TrayIcon1.ShowBalloon(Application->Title(),
                          "Started as administrator, this window receives no print jobs. After using Tools, "
                          "leave it with File > Exit and start the program normally.");
}

void TMainForm::UpdateTrayHint()
{
    std::string hint = Application->Title();
    if (!VersionText.empty())
        hint += " " + VersionText;
    if (RunsElevated)
        hint += "\nElevated: receives no print jobs";
    const size_t waiting = waiting_ ? waiting_->List().Count() : 0;
    if (waiting > 0)
        hint += "\n" + WaitingCountText(waiting);
    if (!LastFailure.empty())
        hint += "\nFailed: " + LastFailure;
    TrayIcon1.SetHint(hint);
    // A shared icon of the program's own resources: the system owns it.
    const bool warn = waiting > 0 || !LastFailure.empty();
    TrayIcon1.SetIcon(warn ? LoadIconA(Application->Instance(), MAKEINTRESOURCEA(IDI_WARNICON)) : nullptr);
    ShowWaitingCount();
}
