#pragma once
// The main window: start-up, single instance, tray, job routing, job notices, the activity log
// and the Tools menu.
#include "app/JobRouting.h"
#include "app/WaitingJobs.h"
#include "dialogs/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/TrayIcon.h"

#include <memory>
#include <string>
#include <vector>

class TWaitingForm;

class TMainForm : public TForm {
public:
    TMainForm();
    ~TMainForm() override;

    // controls of the form
    TControl Label1;
    TControl StaticText1;
    TControl Label2;
    TControl StaticText2;
    TControl StatusBar1;
    TTrayIcon TrayIcon1;
    TTimer Timer1;
    // Every 500 ms: a waiting job's lead folder changed, or 30 seconds have passed.
    TTimer Timer2;
    TMainMenu MainMenu1;
    TMenuItem File1, Waitingjobs1, Retrywaitingjobs1, Exit1;
    // The tray icon's own menu: Open beside the File menu's items.
    TMenuItem Open1;
    TMenuItem Tools1, Fillregistry1, Usemessagesrecommended1, UseEXEspecialcase1, Preparetext1, Setupactions1;
    TMenuItem Help1, About1;

    void Dispatch(TMessage& Message) override;

    // Start-up, tray and lifetime.
    void HideToTray();
    bool InTray() const { return inTray_; }
    void ApplicationRestore();
    void ApplicationMinimize();
    void Exit1Click();
    void About1Click();

    // Job routing (JobRouting.h); this shows and logs its outcome. Counter: the JobCounter value
    // of the notice being routed (mode 0).
    void RouteJob(const std::string& JobPath, unsigned char Mode, int Counter = 0);
    std::string MessageJobId(int Counter) const;

    // Shows, logs and reports a job's outcome. What would go unseen in the tray (a job not handed
    // on, an elevated start) goes to the hint: the title, the version text, then the notes until
    // the user opens the window.
    void ReportJobOutcome(JobSource Source, const RoutingOutcome& Outcome);
    void ShowElevationNotice();
    void UpdateTrayHint();

    // Jobs that were not handed on wait in the resident instance's list and are routed again when
    // their lead folder changes, every 30 seconds, at start and on "Retry waiting jobs". Null in
    // a command-line instance, which passes such a job to the resident one.
    const WaitingJobs* Waiting() const { return waiting_.get(); }
    void RetryWaitingJobs(const std::vector<std::string>& Paths = {});
    void DismissWaitingJobs(const std::vector<std::string>& Paths);
    void Timer2Timer();
    void Waitingjobs1Click();
    void Retrywaitingjobs1Click();
    // The waiting jobs window; made by the application when first shown.
    TWaitingForm* WaitingForm = nullptr;

    // Activity log, in the spooler folder: found at its first use, then kept for the run.
    void WriteLog(const std::string& Text);
    const std::string& SpoolerFolder();

    // Job notices, idle work and stop file.
    void WMCopyData(TMessage& Message);
    void WMInitMenuPopup(TMessage& Message);
    void ApplicationEvents1Idle(bool& Done);
    void Timer1Timer();

    // Printer registry settings (Tools menu).
    bool CheckAdministrator();
    // True when a printer's settings were written.
    bool FillRegistry(int TransferMode);
    bool PrepareText(bool Enabled);
    void Setupactions1Click();
    void Usemessagesrecommended1Click();
    void UseEXEspecialcase1Click();
    void Preparetext1Click();

protected:
    void FormCreate() override;
    void FormClose(TCloseAction& Action) override;
    void FormDestroy() override;

private:
    // Tests look inside through tests/support/MainFormProbe.h.
    friend struct MainFormProbe;

    MainConfig Config;
    bool CloseRequested = false;
    UniqueHandle MutexHandle;
    int JobCounter = 0;
    std::string StopFilePath;
    // Routings under way; a stop file seen meanwhile waits until they have returned.
    int RoutingDepth = 0;
    std::string VersionText;
    std::string LastFailure;
    bool RunsElevated = false;
    bool inTray_ = false;

    bool AskUser();
    void StartWaiting();
    // The list, with the journal of the last run read into it at the first use.
    WaitingJobs* WaitingList();
    bool KeepWaiting(JobSource Source, const RoutingOutcome& Outcome);
    bool TakePassedJob(const COPYDATASTRUCT& Notice);
    RoutingOutcome RetryJob(const WaitingJob& Job);
    void WaitingChanged(bool HandedOn);
    void ShowWaitingCount();
    void ShowTrayMenu();
    std::unique_ptr<WaitingJobs> waiting_;
    bool journalRead_ = false;
    FolderWatch leadWatch_;
    FolderWatch lead2Watch_;
    int waitTicks_ = 0;
    bool retryPending_ = false;
};

// The settings file's path, both lead folders and the session, as this installation and process
// give them; the spooler folder is left to be found when first needed.
MainConfig ReadMainConfig();
// The lead folder under the key ("Lead", "Lead2") of the settings file, or the empty text.
std::string ReadLeadFolder(const std::string& leadXmlPath, const std::string& key);

extern TMainForm* MainForm;

// Command-line mode's exit code for a job that was not handed on and that no resident instance
// took into its list; 0 when it was handed on, 3 when it waits in the resident instance.
constexpr int JobNotHandedOnExitCode = 2;
constexpr int JobWaitingExitCode = 3;
