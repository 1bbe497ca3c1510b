#pragma once
// The main window: start-up, single instance, tray, job routing, job notices, the activity log
// and the Tools menu.
#include "app/JobRouting.h"
#include "app/WaitingJobs.h"
#include "toolkit/Controls.h"
#include "toolkit/Forms.h"
#include "toolkit/Handles.h"
#include "toolkit/Menus.h"
#include "toolkit/TrayIcon.h"

#include <memory>
#include <string>

class TMainForm : public TForm {
public:
    TMainForm();
    ~TMainForm() override;

    // controls of the form
    TLabel Label1;
    TStaticText StaticText1;
    TLabel Label2;
    TEdit StaticText2;
    TStatusBar StatusBar1;
    TTrayIcon TrayIcon1;
    TApplicationEvents ApplicationEvents1;
    TTimer Timer1;
    TMainMenu MainMenu1;
    TMenuItem File1, Retrywaitingjobs1, Exit1;
    TMenuItem Tools1, Fillregistry1, Usemessagesrecommended1, UseEXEspecialcase1, Preparetext1, Setupactions1;
    TMenuItem Help1, About1;

    bool TrayMinimizePending = false;
    bool CloseRequested = false;
    UniqueHandle MutexHandle;
    DWORD SessionId = 0;
    int JobCounter = 0;
    std::string LeadXmlPath;
    std::string SpoolerFolder;
    std::string LeadFolder;
    std::string Lead2Folder;
    std::string StopFilePath;
    // Routings under way; a stop file seen meanwhile waits until they have returned.
    int RoutingDepth = 0;

    void Dispatch(TMessage& Message) override;

    // Start-up, tray and lifetime.
    std::string ReadLeadFolder(const std::string& Key);
    void ApplicationRestore(TObject* Sender);
    void ApplicationMinimize(TObject* Sender);
    void Exit1Click(TObject* Sender);
    void About1Click(TObject* Sender);

    // Job routing (JobRouting.h); this shows and logs its outcome. Counter: the JobCounter value
    // of the notice being routed (mode 0).
    void RouteJob(const std::string& JobPath, unsigned char Mode, int Counter = 0);
    std::string MessageJobId(int Counter);

    // What would go unseen in the tray: a job not handed on, an elevated start. The hint is the
    // title, the version text, then the notes until the user opens the window.
    std::string VersionText;
    std::string LastFailure;
    bool RunsElevated = false;
    // WaitingText: the balloon of a job that waits; empty when it does not.
    void ReportJobOutcome(unsigned char Mode, bool HandedOn, const std::string& StatusText,
                          const std::string& WaitingText = std::string());
    void ShowElevationNotice();
    void UpdateTrayHint();

    // Jobs that were not handed on wait in the resident instance's list and are routed again when
    // their lead folder changes, every 30 seconds, at start and on "Retry waiting jobs".
    std::unique_ptr<WaitingJobs> Waiting;
    FolderWatch LeadWatch;
    FolderWatch Lead2Watch;
    int WaitTicks = 0;
    bool RetryPending = false;
    void StartWaiting();
    // A job not handed on joins the list, or (command line) is passed to the resident instance.
    bool KeepWaiting(const RoutingOutcome& Outcome, unsigned char Mode);
    bool TakePassedJob(const COPYDATASTRUCT& Notice);
    RetryResult RetryJob(const WaitingJob& Job);
    void RetryWaitingJobs();
    void WaitTimerTimer();
    void WaitingChanged(bool HandedOn);
    void DismissWaitingJob(const std::string& Path);
    void Retrywaitingjobs1Click(TObject* Sender);

    // Activity log.
    void WriteLog(const std::string& Text);

    // Job notices, idle work and stop file.
    void WMCopyData(TMessage& Message);
    void WMInitMenuPopup(TMessage& Message);
    void ApplicationEvents1Idle(TObject* Sender, bool& Done);
    void Timer1Timer(TObject* Sender);

    // Printer registry settings (Tools menu).
    bool CheckAdministrator();
    void FillRegistry(int TransferMode);
    void PrepareText(bool Enabled);
    void Setupactions1Click(TObject* Sender);
    void Usemessagesrecommended1Click(TObject* Sender);
    void UseEXEspecialcase1Click(TObject* Sender);
    void Preparetext1Click(TObject* Sender);

protected:
    void FormCreate(TObject* Sender) override;
    void FormClose(TObject* Sender, TCloseAction& Action) override;
    void FormDestroy(TObject* Sender) override;
};

extern TMainForm* MainForm;

// Command-line mode's exit code for a job that was not handed on and that no resident instance
// took into its list; 0 when it was handed on, 3 when it waits in the resident instance.
constexpr int JobNotHandedOnExitCode = 2;
constexpr int JobWaitingExitCode = 3;
