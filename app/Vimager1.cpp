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
      Retrywaitingjobs1(MainMenu1, IDM_RETRYWAITINGJOBS1, "Retrywaitingjobs1"),
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
    Retrywaitingjobs1.OnClick = [this] { Retrywaitingjobs1Click(this); };
    About1.OnClick = [this] { About1Click(this); };
    Setupactions1.OnClick = [this] { Setupactions1Click(this); };
    Usemessagesrecommended1.OnClick = [this] { Usemessagesrecommended1Click(this); };
    UseEXEspecialcase1.OnClick = [this] { UseEXEspecialcase1Click(this); };
    Preparetext1.OnClick = [this] { Preparetext1Click(this); };

    std::string base;
    GetInstallBaseFolder(base);
    LeadXmlPath = IncludeTrailingPathDelimiter(base) + "xLead.xml";
    SpoolerFolder = LogBaseFolder() + "\\SealQueue";
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

std::string TMainForm::ReadLeadFolder(const std::string& Key)
{
    if (!FileExists(LeadXmlPath))
        return std::string();
    cPARAMBASE2 settings(LeadXmlPath, "SealQueue");
    if (!settings.BaseNode())
        return std::string();
    pugi::xml_node lead = settings.BaseNode().child(Key.c_str());
    if (!lead)
        return std::string();
    return cPARAMNODE(lead).GetValue("TempVImg");
}

void TMainForm::FormCreate(TObject* /*Sender*/)
{
    Application->OnRestore = [this] { ApplicationRestore(this); };
    Application->OnMinimize = [this] { ApplicationMinimize(this); };

    LeadFolder = ReadLeadFolder("Lead");
    if (LeadFolder.empty())
        LeadFolder = "c:\\tmp\\vimg\\1";
    Lead2Folder = ReadLeadFolder("Lead2");
    if (Lead2Folder.empty())
        Lead2Folder = "c:\\tmp\\vimg\\2";

    DWORD session = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &session)) {
        SessionId = session;
        StatusBar1.SetSimpleText(Format("Session Id: %lu", static_cast<unsigned long>(SessionId)));
    } else {
        const DWORD error = GetLastError();
        ShowMessage(Format("ProcessIdToSessionId() error %lu", static_cast<unsigned long>(error)));
    }

    if (Application->ParamCount() >= 1) {
        // An error display ends the program before routing reports: the caller hears "not handed on".
        Application->SetExitCode(JobNotHandedOnExitCode);
        // Windows hands an 8-bit program its arguments best-fitted: read the path as it was given.
        std::string path;
        if (CommandLineJobPath(path))
            RouteJob(path, 1);
        else
            StatusBar1.SetSimpleText(InexactPathText(path));
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
    // The status bar is in sight now: the tray goes back to plain, unless jobs wait.
    LastFailure.clear();
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
