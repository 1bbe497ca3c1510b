#include "app/Vimager1.h"

#include "app/JobRouting.h"
#include "app/resource.h"
#include "dialogs/Vimg_about.h"
#include "support/Vsupport1.h"
#include "text/Charconvert.h"

#include <shellapi.h>

TMainForm* MainForm = nullptr;

namespace {

TFormStyle MainFormStyle()
{
    TFormStyle style;
    style.ClassName = "TMainForm";
    style.Caption = "VELT Imager Support";
    style.Left = 192;
    style.Top = 133;
    style.ClientWidth = 387;
    style.ClientHeight = 76;
    style.Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    style.MenuId = IDM_MAINMENU;
    style.IconId = IDI_MAINICON;
    return style;
}

// The first argument of the wide command line in the ANSI code page, exactly; false (with the
// inexact text) when it cannot be written there.
bool CommandLineJobPath(std::string& path)
{
    const std::vector<std::wstring> arguments = CommandLineArguments();
    const std::wstring first = arguments.empty() ? L"" : arguments.front();
    return TryExactAnsiPath(first, path);
}

} // namespace

TMainForm::TMainForm()
    : TForm(MainFormStyle()),
      Label1(*this, 8, 8, "Stamp"),
      StaticText1(*this, 48, 8, 329, 17),
      Label2(*this, 8, 32, "IN"),
      StaticText2(*this, 48, 32, 329, 21, true),
      StatusBar1(*this),
      TrayIcon1(*this),
      Timer1(*this, 1500, [this] { Timer1Timer(this); }),
      MainMenu1(*this),
      File1(MainMenu1, IDM_FILE1, "File1"),
      Exit1(MainMenu1, IDM_EXIT1, "Exit1"),
      Tools1(MainMenu1, IDM_TOOLS1, "Tools1"),
      Fillregistry1(MainMenu1, IDM_FILLREGISTRY1, "Fillregistry1"),
      Usemessagesrecommended1(MainMenu1, IDM_USEMESSAGESRECOMMENDED1, "Usemessagesrecommended1", true, 1),
      UseEXEspecialcase1(MainMenu1, IDM_USEEXESPECIALCASE1, "UseEXEspecialcase1", true, 1),
      Preparetext1(MainMenu1, IDM_PREPARETEXT1, "Preparetext1", true),
      Setupactions1(MainMenu1, IDM_SETUPACTIONS1, "Setupactions1"),
      Help1(MainMenu1, IDM_HELP1, "Help1"),
      About1(MainMenu1, IDM_ABOUT1, "About1")
{
    TrayIcon1.SetHint(Application->Title());
    ApplicationEvents1.OnIdle = [this](bool& Done) { ApplicationEvents1Idle(this, Done); };
    Exit1.OnClick = [this] { Exit1Click(this); };
    About1.OnClick = [this] { About1Click(this); };
    Setupactions1.OnClick = [this] { Setupactions1Click(this); };
    Usemessagesrecommended1.OnClick = [this] { Usemessagesrecommended1Click(this); };
    UseEXEspecialcase1.OnClick = [this] { UseEXEspecialcase1Click(this); };
    Preparetext1.OnClick = [this] { Preparetext1Click(this); };
}

TMainForm::~TMainForm() = default;

void TMainForm::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_COPYDATA:
        WMCopyData(Message);
        break;
    case WM_INITMENUPOPUP:
        WMInitMenuPopup(Message);
        break;
    default:
        TForm::Dispatch(Message);
    }
}

std::string ReadLeadFolder(const std::string& leadXmlPath, const std::string& key)
{
    if (!FileExists(leadXmlPath))
        return std::string();
    cPARAMBASE2 settings(leadXmlPath, "SealQueue");
    if (!settings.BaseNode())
        return std::string();
    pugi::xml_node lead = settings.BaseNode().child(key.c_str());
    if (!lead)
        return std::string();
    return cPARAMNODE(lead).GetValue("TempVImg");
}

MainConfig ReadMainConfig()
{
    MainConfig config;
    std::string base;
    GetInstallBaseFolder(base);
    config.LeadXmlPath = IncludeTrailingPathDelimiter(base) + "xLead.xml";
    config.LeadFolder = ReadLeadFolder(config.LeadXmlPath, "Lead");
    if (config.LeadFolder.empty())
        config.LeadFolder = "c:\\tmp\\vimg\\1";
    config.Lead2Folder = ReadLeadFolder(config.LeadXmlPath, "Lead2");
    if (config.Lead2Folder.empty())
        config.Lead2Folder = "c:\\tmp\\vimg\\2";
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &config.SessionId)) {
        config.SessionError = GetLastError();
        config.SessionId = 0;
    }
    return config;
}

const std::string& TMainForm::SpoolerFolder()
{
    if (Config.SpoolerFolder.empty())
        Config.SpoolerFolder = LogBaseFolder() + "\\SealQueue";
    return Config.SpoolerFolder;
}

void TMainForm::FormCreate(TObject* /*Sender*/)
{
    Application->OnRestore = [this] { ApplicationRestore(this); };
    Application->OnMinimize = [this] { ApplicationMinimize(this); };

    Config = ReadMainConfig();
    if (Config.SessionError == ERROR_SUCCESS)
        StatusBar1.SetSimpleText(Format("Session Id: %lu", static_cast<unsigned long>(Config.SessionId)));
    else
        ShowMessage(Format("ProcessIdToSessionId() error %lu", static_cast<unsigned long>(Config.SessionError)));

    if (Application->ParamCount() >= 1) {
        // An error display ends the program before routing reports: the caller hears "not handed on".
        Application->SetExitCode(JobNotHandedOnExitCode);
        // Windows hands an 8-bit program its arguments best-fitted: read the path as it was given.
        std::string path;
        if (CommandLineJobPath(path))
            RouteJob(path, 1);
        else
            ReportJobOutcome(JobSource::CommandLine, InexactPathOutcome(path));
        Application->Terminate();
        return;
    }

    // A stale code must not pass for "already exists".
    SetLastError(ERROR_SUCCESS);
    MutexHandle.reset(CreateMutexA(nullptr, FALSE, "VELT Imager"));
    const DWORD error = GetLastError();
    if (!MutexHandle || error != ERROR_SUCCESS) {
        if (error != ERROR_ALREADY_EXISTS)
            ShowMessage(Format("CreateMutex FAILURE error %lu", static_cast<unsigned long>(error)));
        Application->Terminate();
        return;
    }
    // Only a resident instance shows in the tray.
    TrayIcon1.SetVisible(true);
    if (IsElevatedAboveShell())
        ShowElevationNotice();
}

void TMainForm::ApplicationMinimize(TObject* /*Sender*/)
{
    if (TrayMinimizePending) {
        TrayMinimizePending = false;
        return;
    }
    try {
        TrayIcon1.Minimize();
        TrayIcon1.SetVisible(true);
    } catch (...) {
    }
}

void TMainForm::ApplicationRestore(TObject* /*Sender*/)
{
    // A minimize of our own that never came must not swallow the user's next one.
    TrayMinimizePending = false;
    TrayIcon1.SetVisible(false);
    // The status bar is in sight now: the tray goes back to plain.
    LastFailure.clear();
    TrayIcon1.SetIcon(nullptr);
    UpdateTrayHint();
}

void TMainForm::FormClose(TObject* /*Sender*/, TCloseAction& Action)
{
    if (CloseRequested)
        return;
    Action = TCloseAction::caNone;
    // Already in the tray (a close request from outside): no minimize event would consume the flag.
    if (!Application->Minimized()) {
        TrayMinimizePending = true;
        TrayIcon1.Minimize();
    }
    TrayIcon1.SetVisible(true);
}

void TMainForm::FormDestroy(TObject* /*Sender*/)
{
    MutexHandle.reset();
}

void TMainForm::Exit1Click(TObject* /*Sender*/)
{
    CloseRequested = true;
    Close();
}

void TMainForm::About1Click(TObject* /*Sender*/)
{
    AboutForm->ShowModal();
}
