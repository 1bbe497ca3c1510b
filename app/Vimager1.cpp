#include "app/Vimager1.h"

#include "app/JobRouting.h"
#include "app/resource.h"
#include "dialogs/Vimg_about.h"
#include "support/Vsupport1.h"
#include "text/Charconvert.h"

#include <commctrl.h>
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

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
// The radio pair of the transfer mode.
constexpr UINT kFirstMode = IDM_USEMESSAGESRECOMMENDED1;
constexpr UINT kLastMode = IDM_USEEXESPECIALCASE1;

// "IN" sits three pixels lower than the field's top, level with the text inside the field's edge.
TMainForm::TMainForm()
    : TForm(MainFormStyle()),
      Label1({"STATIC", kLabel, 0, 8, 8, 0, 0, 0, "Stamp"}),
      StaticText1({"STATIC", kLabel | SS_SUNKEN | SS_LEFTNOWORDWRAP, 0, 48, 8, 329, 17, 0, ""}),
      Label2({"STATIC", kLabel, 0, 8, 35, 0, 0, 0, "IN"}),
      StaticText2({"EDIT", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, WS_EX_CLIENTEDGE, 48, 32, 329, 21, 0, ""}),
      StatusBar1({STATUSCLASSNAMEA, CCS_BOTTOM, 0, 0, 0, 387, 19, 0, ""}),
      TrayIcon1(*this, IDI_MAINICON),
      Timer1(*this, 1500, [this] { Timer1Timer(); }),
      Timer2(*this, 500, [this] { Timer2Timer(); }),
      MainMenu1(*this),
      File1(MainMenu1, IDM_FILE1),
      Waitingjobs1(MainMenu1, IDM_WAITINGJOBS1),
      Retrywaitingjobs1(MainMenu1, IDM_RETRYWAITINGJOBS1),
      Exit1(MainMenu1, IDM_EXIT1),
      Open1(MainMenu1, IDM_OPEN1),
      Tools1(MainMenu1, IDM_TOOLS1),
      Fillregistry1(MainMenu1, IDM_FILLREGISTRY1),
      Usemessagesrecommended1(MainMenu1, IDM_USEMESSAGESRECOMMENDED1, kFirstMode, kLastMode),
      UseEXEspecialcase1(MainMenu1, IDM_USEEXESPECIALCASE1, kFirstMode, kLastMode),
      Preparetext1(MainMenu1, IDM_PREPARETEXT1),
      Setupactions1(MainMenu1, IDM_SETUPACTIONS1),
      Help1(MainMenu1, IDM_HELP1),
      About1(MainMenu1, IDM_ABOUT1)
{
    AddControls({&Label1, &StaticText1, &Label2, &StaticText2, &StatusBar1});
    StatusBar1.Align = TAlign::alBottom;
    StatusBar1.AlignHeight = 19;
    TrayIcon1.SetHint(Application->Title());
    Application->OnIdle = [this] {
        bool Done = true;
        ApplicationEvents1Idle(Done);
    };
    Exit1.OnClick = [this] { Exit1Click(); };
    Waitingjobs1.OnClick = [this] { Waitingjobs1Click(); };
    Retrywaitingjobs1.OnClick = [this] { Retrywaitingjobs1Click(); };
    Open1.OnClick = [this] { ApplicationRestore(); };
    About1.OnClick = [this] { About1Click(); };
    Setupactions1.OnClick = [this] { Setupactions1Click(); };
    Usemessagesrecommended1.OnClick = [this] { Usemessagesrecommended1Click(); };
    UseEXEspecialcase1.OnClick = [this] { UseEXEspecialcase1Click(); };
    Preparetext1.OnClick = [this] { Preparetext1Click(); };
}

TMainForm::~TMainForm() = default;

void TMainForm::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_COPYDATA:
        WMCopyData(Message);
        return;
    case WM_INITMENUPOPUP:
        WMInitMenuPopup(Message);
        return;
    case TTrayIcon::CallbackMessage:
        if (Message.LParam == WM_LBUTTONDBLCLK) {
            ApplicationRestore();
            // While jobs wait, their window comes over it, once this message has returned.
            if (Waiting() && !Waiting()->List().Empty())
                PostMessageA(Handle(), WM_COMMAND, IDM_WAITINGJOBS1, 0);
        } else if (Message.LParam == WM_RBUTTONUP) {
            ShowTrayMenu();
        }
        return;
    case WM_SYSCOMMAND:
        if ((Message.WParam & 0xFFF0) == SC_MINIMIZE) {
            ApplicationMinimize();
            return;
        }
        break;
    }
    if (!TrayIcon1.HandleMessage(Message))
        TForm::Dispatch(Message);
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

void TMainForm::FormCreate()
{
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
    // Only a resident instance keeps jobs waiting and shows in the tray.
    StartWaiting();
    TrayIcon1.SetVisible(true);
    if (IsElevatedAboveShell())
        ShowElevationNotice();
}

// The one way out of sight, for the close box, the minimize button and the first idle moment.
void TMainForm::HideToTray()
{
    inTray_ = true;
    Hide();
    TrayIcon1.SetVisible(true);
}

void TMainForm::ApplicationMinimize()
{
    try {
        HideToTray();
    } catch (...) {
    }
}

// Also before the first showing: a question that comes during start-up needs the window out.
void TMainForm::ApplicationRestore()
{
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
    if (!inTray_)
        return;
    inTray_ = false;
    TrayIcon1.SetVisible(false);
    // The status bar is in sight now: the tray goes back to plain, unless jobs wait.
    LastFailure.clear();
    UpdateTrayHint();
}

void TMainForm::FormClose(TCloseAction& Action)
{
    if (CloseRequested)
        return;
    Action = TCloseAction::caNone;
    HideToTray();
}

void TMainForm::FormDestroy()
{
    MutexHandle.reset();
}

void TMainForm::Exit1Click()
{
    CloseRequested = true;
    Close();
}

void TMainForm::About1Click()
{
    AboutForm->ShowModal();
}
