// Job notices, the first idle moment, the stop file and the "Fill registry" marks, in-process.
#include "AppFixture.h"

#include "support/TestSupport.h"

#include <regex>

namespace {

class IntakeTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        // Routing of these notices has nowhere to go: no printer key names this printer.
        CreateMainForm(folder_);
    }
    LRESULT Send(ULONG_PTR kind, const void* data, DWORD size)
    {
        COPYDATASTRUCT notice{kind, size, const_cast<void*>(data)};
        return SendMessageA(MainForm->Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice));
    }
    std::string Stamp() const { return MainForm->StaticText1.Text(); }
    std::string In() const { return MainForm->StaticText2.Text(); }

    TempFolder folder_;
};

const std::regex kStampForm(R"(\d\d:\d\d:\d\d Session=(\d+), Counter=(\d+))");

} // namespace

TEST_F(IntakeTest, JobNoticesCountShowAndAnswer)
{
    const std::string path = folder_ / "none.tmp";
    EXPECT_EQ(Send(1000, path.c_str(), static_cast<DWORD>(path.size() + 1)), 1);
    std::smatch match;
    std::string stamp = Stamp();
    ASSERT_TRUE(std::regex_match(stamp, match, kStampForm)) << stamp;
    EXPECT_EQ(match[1], std::to_string(MainFormProbe::Config(*MainForm).SessionId));
    EXPECT_EQ(match[2], "1");
    EXPECT_EQ(In(), path);

    // The same path as UTF-16LE, with its terminator.
    std::wstring wide(path.begin(), path.end());
    EXPECT_EQ(Send(1000, wide.c_str(), static_cast<DWORD>((wide.size() + 1) * 2)), 1);
    stamp = Stamp();
    ASSERT_TRUE(std::regex_match(stamp, match, kStampForm)) << stamp;
    EXPECT_EQ(match[2], "2");
    EXPECT_EQ(In(), path);
    EXPECT_EQ(MainFormProbe::JobCounter(*MainForm), 2);
}

TEST_F(IntakeTest, PayloadsWithoutTerminatorOrDataStayWithinTheirBytes)
{
    // No terminator within cbData: the path is cut there.
    const char unterminated[] = "C:\\Spool\\job0001.tmpXYZ";
    EXPECT_EQ(Send(1000, unterminated, 20), 1);
    EXPECT_EQ(In(), "C:\\Spool\\job0001.tmp");

    EXPECT_EQ(Send(1000, nullptr, 0), 1);
    EXPECT_EQ(In(), "");
    EXPECT_EQ(Send(1000, "\0abc", 4), 1);
    EXPECT_EQ(In(), "");
    // One or two bytes are always 8-bit text.
    EXPECT_EQ(Send(1000, "A\0", 2), 1);
    EXPECT_EQ(In(), "A");
    // A first character above U+00FF makes the payload 8-bit text.
    EXPECT_EQ(Send(1000, "\x91\x03\x41\x00\x00\x00", 6), 1);
    EXPECT_EQ(In(), "\x91\x03\x41");
    // Odd-length wide text: the half unit is dropped.
    EXPECT_EQ(Send(1000, "C\0:\0X", 5), 1);
    EXPECT_EQ(In(), "C:");
    EXPECT_EQ(MainFormProbe::JobCounter(*MainForm), 6);
}

TEST_F(IntakeTest, OtherKindsOnlyShowTheirNumber)
{
    const std::string before = MainForm->StatusBar1.SimpleText();
    EXPECT_EQ(Send(999, "x", 2), 1);
    const std::string status = MainForm->StatusBar1.SimpleText();
    EXPECT_TRUE(std::regex_match(status, std::regex(R"(\d\d:\d\d:\d\d999)"))) << status;
    EXPECT_NE(status, before);
    EXPECT_EQ(MainFormProbe::JobCounter(*MainForm), 0);
    EXPECT_EQ(Stamp(), "");
    EXPECT_EQ(In(), "");
    EXPECT_EQ(Send(0xFFFFFFFF, nullptr, 0), 1);
    EXPECT_TRUE(std::regex_match(MainForm->StatusBar1.SimpleText(), std::regex(R"(\d\d:\d\d:\d\d4294967295)")));
}

TEST_F(IntakeTest, FirstIdleSetsTheHintAndGoesToTheTray)
{
    MainForm->Show();
    ASSERT_TRUE(MainForm->Visible());
    std::string version;
    GetFileVersionText(nullptr, version);
    ASSERT_EQ(version, "1.0.0.1");
    // The first empty queue runs the idle step once; a thread timer keeps the wait short.
    const UINT_PTR wake = SetTimer(nullptr, 0, 20, nullptr);
    for (int i = 0; i < 200 && !MainForm->InTray(); ++i)
        app_->HandleMessage();
    KillTimer(nullptr, wake);
    EXPECT_TRUE(MainForm->InTray());
    EXPECT_FALSE(MainForm->Visible());
    EXPECT_EQ(MainForm->TrayIcon1.Hint(), "VELT Imager Support 1.0.0.1");
    EXPECT_TRUE(MainForm->TrayIcon1.Visible());

    // A double click brings it back and hides the icon; the minimize button sends it back.
    SendMessageA(MainForm->Handle(), TTrayIcon::CallbackMessage, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(MainForm->Visible());
    EXPECT_FALSE(MainForm->TrayIcon1.Visible());
    SendMessageA(MainForm->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(MainForm->Visible());
    EXPECT_TRUE(MainForm->TrayIcon1.Visible());
    // The close button hides it too, and does not end the program.
    SendMessageA(MainForm->Handle(), TTrayIcon::CallbackMessage, 1, WM_LBUTTONDBLCLK);
    SendMessageA(MainForm->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(MainForm->Visible());
    EXPECT_FALSE(Application->Terminated());
    // After a shell restart the icon is put back.
    SendMessageA(MainForm->Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(MainForm->TrayIcon1.Visible());
}

TEST_F(IntakeTest, CloseRestoreAndMinimizeInAnyOrderLeaveTheWindowShownOrInTheTray)
{
    MainForm->Show();
    HWND window = MainForm->Handle();
    // c: a close request (also while in the tray, as from a task manager), r: a double click on
    // the icon, m: the minimize button.
    for (char step : std::string("ccrmrcrcmrmmcrm")) {
        if (step == 'c')
            SendMessageA(window, WM_CLOSE, 0, 0);
        else if (step == 'r')
            SendMessageA(window, TTrayIcon::CallbackMessage, 1, WM_LBUTTONDBLCLK);
        else
            SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_NE(MainForm->Visible(), MainForm->TrayIcon1.Visible()) << "after " << step;
    }
    EXPECT_FALSE(Application->Terminated());
}

// Wine runs every process at the shell's level and delivers every message, so no start here is
// elevated above the shell: the notice is shown as start-up shows it when the check says so.
TEST_F(IntakeTest, ElevatedStartSaysSoInStatusBarHintAndOneBalloon)
{
    EXPECT_FALSE(MainFormProbe::RunsElevated(*MainForm));
    MainForm->ShowElevationNotice();
    EXPECT_EQ(MainForm->StatusBar1.SimpleText(), "Elevated: gets no jobs. After Tools: File > Exit, start normally");
    EXPECT_EQ(MainForm->TrayIcon1.Hint(), "VELT Imager Support\nElevated: receives no print jobs");
    const NOTIFYICONDATAA& sent = TrayIconSeam::LastSent(MainForm->TrayIcon1);
    EXPECT_EQ(sent.uFlags & NIF_INFO, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(Trim(sent.szInfo), "Started as administrator, this window receives no print jobs. After using Tools, "
                              "leave it with File > Exit and start the program normally.");
    // The note stays in the hint, after the version, also once the window has been opened.
    MainFormProbe::VersionText(*MainForm) = "1.0.0.1";
    MainForm->HideToTray();
    MainForm->ApplicationRestore();
    EXPECT_EQ(MainForm->TrayIcon1.Hint(), "VELT Imager Support 1.0.0.1\nElevated: receives no print jobs");
    EXPECT_EQ(MainForm->TrayIcon1.Icon(), nullptr);
}

TEST_F(IntakeTest, StopFilePathIsFixedAtTheFirstTickAndEndsTheProgram)
{
    MainForm->Timer1Timer();
    const std::string stopFile = folder_ / "SealQueue\\xlead.stop";
    EXPECT_EQ(MainFormProbe::StopFilePath(*MainForm), stopFile);
    EXPECT_FALSE(Application->Terminated());

    CreateDirectoryA((folder_.Path() + "\\SealQueue").c_str(), nullptr);
    WriteFileBytes(stopFile, "");
    // While a routing waits on its question the close is held back.
    MainFormProbe::RoutingDepth(*MainForm) = 1;
    MainForm->Timer1Timer();
    EXPECT_FALSE(MainFormProbe::CloseRequested(*MainForm));
    EXPECT_FALSE(Application->Terminated());
    MainFormProbe::RoutingDepth(*MainForm) = 0;
    MainForm->Timer1Timer();
    EXPECT_TRUE(MainFormProbe::CloseRequested(*MainForm));
    EXPECT_TRUE(Application->Terminated());
    // The stop file is only looked at, never removed.
    EXPECT_TRUE(PathExists(stopFile));
}

namespace {

constexpr REGSAM kView64 = KEY_WOW64_64KEY;

class MenuMarksTest : public IntakeTest {
protected:
    void OpenFillRegistry()
    {
        SendMessageA(MainForm->Handle(), WM_INITMENUPOPUP,
                     reinterpret_cast<WPARAM>(MainForm->Fillregistry1.SubMenu()), 1);
    }
    void SetMarks(bool messages, bool commandLine, bool text)
    {
        MainForm->Usemessagesrecommended1.SetChecked(messages);
        MainForm->UseEXEspecialcase1.SetChecked(commandLine);
        MainForm->Preparetext1.SetChecked(text);
    }
    void ExpectMarks(bool messages, bool commandLine, bool text)
    {
        EXPECT_EQ(MainForm->Usemessagesrecommended1.Checked(), messages);
        EXPECT_EQ(MainForm->UseEXEspecialcase1.Checked(), commandLine);
        EXPECT_EQ(MainForm->Preparetext1.Checked(), text);
    }
    const std::string printer1_ = "SOFTWARE\\VELT Korvel\\VELT Imager 1";
};

} // namespace

TEST_F(MenuMarksTest, MarksFollowPrinterOnesKeys)
{
    ScopedRegKey printer(HKEY_LOCAL_MACHINE, printer1_, kView64);
    ScopedRegKey defaults(HKEY_LOCAL_MACHINE, printer1_ + "\\Defaults", kView64);
    printer.SetDword("Transfer mode", 0);
    defaults.SetDword("TXT: Enabled", 1);
    SetMarks(true, false, false);
    OpenFillRegistry();
    ExpectMarks(false, true, true);

    printer.SetDword("Transfer mode", 1);
    defaults.SetDword("TXT: Enabled", 0);
    OpenFillRegistry();
    ExpectMarks(true, false, false);

    // A mode the menu does not know leaves both radio marks alone.
    printer.SetDword("Transfer mode", 2);
    OpenFillRegistry();
    ExpectMarks(true, false, false);

    // Another drop-down refreshes nothing.
    printer.SetDword("Transfer mode", 0);
    SendMessageA(MainForm->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(MainForm->Tools1.SubMenu()), 1);
    ExpectMarks(true, false, false);

    // Printer 2's settings never show.
    ScopedRegKey printer2(HKEY_LOCAL_MACHINE, "SOFTWARE\\VELT Korvel\\VELT Imager 2", kView64);
    printer2.SetDword("Transfer mode", 1);
    OpenFillRegistry();
    ExpectMarks(false, true, false);
}

TEST_F(MenuMarksTest, MissingOrOddValuesChangeNoMark)
{
    ScopedRegKey printer(HKEY_LOCAL_MACHINE, printer1_, kView64);
    printer.SetDword("Transfer mode", 0);
    // Without the "Defaults" key no mark changes, though "Transfer mode" could be read.
    SetMarks(true, false, true);
    OpenFillRegistry();
    ExpectMarks(true, false, true);

    ScopedRegKey defaults(HKEY_LOCAL_MACHINE, printer1_ + "\\Defaults", kView64);
    // Four bytes of another type are not taken for a number.
    defaults.SetBinary("TXT: Enabled", std::string("1\0\0\0", 4));
    MainForm->Preparetext1.SetChecked(false);
    OpenFillRegistry();
    ExpectMarks(false, true, false);

    // The 32-bit view's keys are not the printers' keys.
    ScopedRegKey wow(HKEY_LOCAL_MACHINE, printer1_, KEY_WOW64_32KEY);
    wow.SetDword("Transfer mode", 1);
    OpenFillRegistry();
    ExpectMarks(false, true, false);
}
