#pragma once
// The main window: start-up, single instance, tray, job routing, job notices, the activity log
// and the Tools menu.
#include "app/JobRouting.h"
#include "dialogs/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/TrayIcon.h"

#include <string>

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
    TMainMenu MainMenu1;
    TMenuItem File1, Exit1;
    TMenuItem Tools1, Fillregistry1, Usemessagesrecommended1, UseEXEspecialcase1, Preparetext1, Setupactions1;
    TMenuItem Help1, About1;

    void Dispatch(TMessage& Message) override;

    // Start-up, tray and lifetime.
    void HideToTray();
    bool InTray() const { return inTray_; }
    void ApplicationRestore(TObject* Sender);
    void ApplicationMinimize(TObject* Sender);
    void Exit1Click(TObject* Sender);
    void About1Click(TObject* Sender);

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

    // Activity log, in the spooler folder: found at its first use, then kept for the run.
    void WriteLog(const std::string& Text);
    const std::string& SpoolerFolder();

    // Job notices, idle work and stop file.
    void WMCopyData(TMessage& Message);
    void WMInitMenuPopup(TMessage& Message);
    void ApplicationEvents1Idle(TObject* Sender, bool& Done);
    void Timer1Timer(TObject* Sender);

    // Printer registry settings (Tools menu).
    bool CheckAdministrator();
    // True when a printer's settings were written.
    bool FillRegistry(int TransferMode);
    bool PrepareText(bool Enabled);
    void Setupactions1Click(TObject* Sender);
    void Usemessagesrecommended1Click(TObject* Sender);
    void UseEXEspecialcase1Click(TObject* Sender);
    void Preparetext1Click(TObject* Sender);

protected:
    void FormCreate(TObject* Sender) override;
    void FormClose(TObject* Sender, TCloseAction& Action) override;
    void FormDestroy(TObject* Sender) override;

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
};

// The settings file's path, both lead folders and the session, as this installation and process
// give them; the spooler folder is left to be found when first needed.
MainConfig ReadMainConfig();
// The lead folder under the key ("Lead", "Lead2") of the settings file, or the empty text.
std::string ReadLeadFolder(const std::string& leadXmlPath, const std::string& key);

extern TMainForm* MainForm;

// Command-line mode's exit code for a job that was not handed on; 0 when it was.
constexpr int JobNotHandedOnExitCode = 2;
