// Job routing against the real registry and real folders of the test prefix.
#include "AppFixture.h"
#include "support/TestSupport.h"

#include "app/Jobtext.h"
#include "toolkit/Registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

const char kPrinterKey[] = "SOFTWARE\\VELT Korvel\\VELT Imager ";
const char kConverterKey[] = "SOFTWARE\\VELT Korvel\\EmfRaster";

std::string PrinterKey(int index)
{
    return kPrinterKey + std::to_string(index);
}

std::string ConverterKey(int index)
{
    return kConverterKey + (index > 1 ? std::to_string(index) : std::string());
}

std::string ThisFolder()
{
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string self(path, length);
    return self.substr(0, self.find_last_of('\\'));
}

std::string TodayLog(const std::string& folder)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ReadFileBytes(LogFileName(folder, LocalStamp{now.wYear, now.wMonth, now.wDay, 0, 0, 0, 0}));
}

class RoutingTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        for (int index = 1; index <= 3; ++index) {
            DeleteRegTree(HKEY_LOCAL_MACHINE, PrinterKey(index), KEY_WOW64_64KEY);
            DeleteRegTree(HKEY_LOCAL_MACHINE, PrinterKey(index), KEY_WOW64_32KEY);
            DeleteRegTree(HKEY_CURRENT_USER, ConverterKey(index));
        }
        for (const char* folder : {"lead1", "lead2", "jobs", "logs"})
            CreateDirectoryA((root_ / folder).c_str(), nullptr);
        TMainForm& form = CreateMainForm();
        form.LeadFolder = root_ / "lead1";
        form.Lead2Folder = root_ / "lead2";
        form.SpoolerFolder = root_ / "logs";
        form.SessionId = 0;
    }

    TMainForm& Form() { return *MainForm; }
    std::string Status() { return Form().StatusBar1.SimpleText(); }
    std::string Lead1() const { return root_ / "lead1"; }
    std::string Lead2() const { return root_ / "lead2"; }
    std::string Log() const { return TodayLog(root_ / "logs"); }

    std::string Job(const std::string& name, const std::string& device, const std::string& extra = "[Page]\r\n")
    {
        const std::string path = root_ / ("jobs\\" + name);
        WriteJobFile(path, device, extra);
        return path;
    }

    ScopedRegKey& Printer(int index, const std::string& todo, REGSAM view = KEY_WOW64_64KEY)
    {
        keys_.push_back(std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, PrinterKey(index), view));
        if (!todo.empty())
            keys_.back()->SetString("Todo", todo);
        return *keys_.back();
    }

    ScopedRegKey& Converter(int index)
    {
        keys_.push_back(std::make_unique<ScopedRegKey>(HKEY_CURRENT_USER, ConverterKey(index)));
        return *keys_.back();
    }

    // The recorder converter, copied to a folder with blanks in its name; its record file.
    std::string InstallRecorder(const std::string& folder, std::string& record)
    {
        const std::string target = root_ / folder;
        CreateDirectoryA(target.c_str(), nullptr);
        const std::string exe = target + "\\conv.exe";
        EXPECT_TRUE(CopyFileA((ThisFolder() + "\\argrecord.exe").c_str(), exe.c_str(), FALSE));
        record = root_ / "args.txt";
        return exe;
    }

    void ExpectMoved(const std::string& job, const std::string& destination)
    {
        EXPECT_EQ(Status(), "OUT = " + destination);
        EXPECT_FALSE(PathExists(job));
        EXPECT_NE(ReadFileBytes(destination).find("DeviceName="), std::string::npos);
    }

    void ExpectStays(const std::string& job)
    {
        EXPECT_TRUE(PathExists(job)) << job;
        EXPECT_TRUE(ListFolder(Lead1()).empty());
        EXPECT_TRUE(ListFolder(Lead2()).empty());
    }

    TempFolder root_;
    std::vector<std::unique_ptr<ScopedRegKey>> keys_;
};

TEST_F(RoutingTest, PrinterNameFailuresLeaveTheJob)
{
    Printer(1, "SealQueue");
    struct Case {
        const char* device;
        const char* status;
    } cases[] = {
        {"VELTImager1", "Could not read Printer name"}, {"", "Could not read Printer name"},
        {"VELT Imager", "Printer name is 0"},           {"VELT Imager ", "Printer name is 0"},
        {"VELT Imager -1", "Printer name is -1"},       {"VELT Imager 99999999999", "Printer name is 0"},
        {"VELT Imager x1", "Printer name is 0"},
    };
    for (const Case& c : cases) {
        const std::string job = Job("name.tmp", c.device);
        Form().RouteJob(job, 0, 1);
        EXPECT_EQ(Status(), c.status) << c.device;
        ExpectStays(job);
    }

    // A missing job file, one without the section, and an empty one.
    Form().RouteJob(root_ / "jobs\\missing.tmp", 1);
    EXPECT_EQ(Status(), "Could not read Printer name");
    const std::string other = root_ / "jobs\\other.tmp";
    WriteFileBytes(other, "[Printer]\r\nDeviceName=VELT Imager 1\r\n");
    Form().RouteJob(other, 1);
    EXPECT_EQ(Status(), "Could not read Printer name");
    WriteFileBytes(other, "");
    Form().RouteJob(other, 1);
    EXPECT_EQ(Status(), "Could not read Printer name");
    ExpectStays(other);
    EXPECT_EQ(Form().RoutingDepth, 0);
}

TEST_F(RoutingTest, SpoolerRouteMovesIntoTheLeadFolderUnderTheJobId)
{
    Printer(1, "SealQueue");
    Form().SessionId = 12;
    std::string job = Job("a.tmp", "VELT Imager 1", "[Page]\r\nLine1=receipt 345\r\n");
    const std::string sent = ReadFileBytes(job);
    Form().RouteJob(job, 0, 345);
    ExpectMoved(job, Lead1() + "\\job1200000345.log");
    EXPECT_EQ(ReadFileBytes(Lead1() + "\\job1200000345.log"), sent);

    // The printer's section and key names match without regard to case.
    Form().SessionId = 1;
    job = root_ / "jobs\\b.tmp";
    WriteFileBytes(job, "[device]\r\ndevicename=VELT Imager 1\r\n");
    Form().RouteJob(job, 0, 1);
    EXPECT_EQ(Status(), "OUT = " + Lead1() + "\\job1000000001.log");
    EXPECT_EQ(ReadFileBytes(Lead1() + "\\job1000000001.log"), "[device]\r\ndevicename=VELT Imager 1\r\n");
    EXPECT_FALSE(PathExists(job));
    EXPECT_EQ(Log(), "");  // only failures are logged
}

TEST_F(RoutingTest, MissingOrUnreadableActionMeansSealQueue)
{
    // No key at all.
    std::string job = Job("a.tmp", "VELT Imager 1");
    Form().RouteJob(job, 0, 1);
    ExpectMoved(job, Lead1() + "\\job0000000001.log");

    // A key without "Todo", with an empty one, with one that is not a string.
    ScopedRegKey& key = Printer(1, "");
    job = Job("b.tmp", "VELT Imager 1");
    Form().RouteJob(job, 0, 2);
    ExpectMoved(job, Lead1() + "\\job0000000002.log");
    key.SetString("Todo", "  ");
    job = Job("c.tmp", "VELT Imager 1");
    Form().RouteJob(job, 0, 3);
    ExpectMoved(job, Lead1() + "\\job0000000003.log");
    key.SetDword("Todo", 2);
    job = Job("d.tmp", "VELT Imager 1");
    Form().RouteJob(job, 0, 4);
    ExpectMoved(job, Lead1() + "\\job0000000004.log");
}

TEST_F(RoutingTest, ActionIsTrimmedAndComparedWithoutCase)
{
    Printer(1, " emfraster ");
    std::string job = Job("a.tmp", "VELT Imager 1");
    Form().RouteJob(job, 0, 1);
    EXPECT_EQ(Status(), "Failed to open SOFTWARE\\VELT Korvel\\EmfRaster");  // the converter route
    ExpectStays(job);

    Printer(1, "\tSEALQUEUE\r\n");
    Form().RouteJob(job, 0, 1);
    ExpectMoved(job, Lead1() + "\\job0000000001.log");

    Printer(1, "Print");
    job = Job("b.tmp", "VELT Imager 1");
    Form().RouteJob(job, 0, 2);
    EXPECT_EQ(Status(), "todostr = Print");
    EXPECT_TRUE(PathExists(job));
    EXPECT_EQ(ListFolder(Lead1()).size(), 1u);

    // Asks in any mix of case.
    for (const char* todo : {"Ask User", " ASK USER ", "ask user"}) {
        Printer(1, todo);
        MessageBoxWatcher boxes;
        boxes.SetAnswer(IDCANCEL);
        Form().RouteJob(job, 0, 2);
        ASSERT_EQ(boxes.Count(), 1u) << todo;
        EXPECT_EQ(boxes.Seen()[0].Text, "Call SealQueue?");
        EXPECT_TRUE(PathExists(job));
    }
}

TEST_F(RoutingTest, PrinterKeyIsReadInTheSixtyFourBitView)
{
    Printer(1, "Print32", KEY_WOW64_32KEY);
    Printer(1, "Print64", KEY_WOW64_64KEY);
    const std::string job = Job("a.tmp", "VELT Imager 1");
    Form().RouteJob(job, 0, 1);
    EXPECT_EQ(Status(), "todostr = Print64");
}

TEST_F(RoutingTest, IndexAboveOneUsesLead2AndTheConverterKeySuffix)
{
    Printer(3, "SealQueue");
    Printer(1, "Print1");
    std::string job = Job("a.tmp", "VELT Imager 3");
    Form().RouteJob(job, 0, 5);
    ExpectMoved(job, Lead2() + "\\job0000000005.log");
    EXPECT_TRUE(ListFolder(Lead1()).empty());

    job = Job("b.tmp", "VELT Imager 2");
    Form().RouteJob(job, 1);
    ExpectMoved(job, Lead2() + "\\job0000000000.log");

    Printer(3, "EmfRaster");
    Converter(1).SetString("ExePath", "C:\\nowhere\\conv.exe");
    Converter(2).SetString("ExePath", "C:\\nowhere\\conv.exe");
    job = Job("c.tmp", "VELT Imager 3");
    Form().RouteJob(job, 0, 6);
    EXPECT_EQ(Status(), "Failed to open SOFTWARE\\VELT Korvel\\EmfRaster3");
    EXPECT_TRUE(PathExists(job));
    Converter(3);
    Form().RouteJob(job, 0, 6);
    EXPECT_EQ(Status(), "SOFTWARE\\VELT Korvel\\EmfRaster3\\ExePath not found");
    EXPECT_TRUE(PathExists(job));
}

TEST_F(RoutingTest, LeadFolderIsCreatedWithItsParentsOrReported)
{
    Form().LeadFolder = root_ / "new\\deeper\\lead";
    std::string job = Job("a.tmp", "VELT Imager 1");
    Form().RouteJob(job, 1);
    ExpectMoved(job, root_ / "new\\deeper\\lead\\job0000000000.log");

    // Below a file no folder can be made.
    WriteFileBytes(root_ / "file", "x");
    Form().LeadFolder = root_ / "file\\lead";
    job = Job("b.tmp", "VELT Imager 1");
    Form().RouteJob(job, 1);
    EXPECT_EQ(Status(), "Directory " + (root_ / "file\\lead") + " does not exist!");
    EXPECT_TRUE(PathExists(job));
    EXPECT_EQ(Log(), "");
}

TEST_F(RoutingTest, FailedMoveIsShownLoggedAndLeavesNothingBehind)
{
    Printer(1, "SealQueue");
    const std::string job = Job("busy.tmp", "VELT Imager 1");
    // Held open without delete sharing, as a printer side still writing it would.
    HANDLE held = CreateFileA(job.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    Form().RouteJob(job, 0, 7);
    const std::string text0 = "Error 32 moving " + job + " into " + Lead1() + "\\job0000000007.log";
    EXPECT_EQ(Status(), text0);

    // In mode 1 the placeholder goes again: an empty job must not reach the spooler.
    Form().RouteJob(job, 1);
    const std::string text1 = "Error 32 moving " + job + " into " + Lead1() + "\\job0000000000.log";
    EXPECT_EQ(Status(), text1);
    CloseHandle(held);

    ExpectStays(job);
    const std::string log = Log();
    EXPECT_NE(log.find(" " + text0 + "\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" " + text1 + "\r\n"), std::string::npos) << log;
}

TEST_F(RoutingTest, ReserveJobFileNameTakesTheLowestFreeNumber)
{
    const std::string folder = root_ / "names";
    CreateDirectoryA(folder.c_str(), nullptr);
    EXPECT_EQ(Form().ReserveJobFileName(folder), folder + "\\job0000000000.log");
    EXPECT_EQ(ReadFileBytes(folder + "\\job0000000000.log"), "");
    EXPECT_EQ(Form().ReserveJobFileName(folder), folder + "\\job0000000001.log");

    // A gap is filled; a folder in the way counts as taken.
    WriteFileBytes(folder + "\\job0000000003.log", "waiting");
    CreateDirectoryA((folder + "\\job0000000002.log").c_str(), nullptr);
    EXPECT_EQ(Form().ReserveJobFileName(folder), folder + "\\job0000000004.log");
    DeleteFileA((folder + "\\job0000000001.log").c_str());
    EXPECT_EQ(Form().ReserveJobFileName(folder), folder + "\\job0000000001.log");
    EXPECT_EQ(ReadFileBytes(folder + "\\job0000000003.log"), "waiting");

    // Any other failure ends the search at once, with the code.
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(Form().ReserveJobFileName(root_ / "vanished"), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(PathExists(root_ / "vanished"));
}

TEST_F(RoutingTest, CommandLineJobsGetReservedNames)
{
    Printer(1, "SealQueue");
    std::string job = Job("a.tmp", "VELT Imager 1");
    Form().RouteJob(job, 1);
    ExpectMoved(job, Lead1() + "\\job0000000000.log");
    job = Job("b.tmp", "VELT Imager 1");
    Form().RouteJob(job, 1);
    ExpectMoved(job, Lead1() + "\\job0000000001.log");
    EXPECT_EQ(ListFolder(Lead1()).size(), 2u);
}

TEST_F(RoutingTest, FolderWhereNoNameCanBeCreatedIsReported)
{
    Printer(1, "SealQueue");
    // Under Wine Z:\sys is the host's /sys: a folder that exists, where not even root may create a file.
    const std::string folder = "Z:\\sys";
    if (!DirectoryExists(folder))
        GTEST_SKIP() << "no folder without the right to create files";
    const std::vector<std::string> before = ListFolder(folder);
    Form().LeadFolder = folder;
    const std::string job = Job("a.tmp", "VELT Imager 1");
    Form().RouteJob(job, 1);
    const std::string text = "Error 5 moving " + job + " into " + folder;
    EXPECT_EQ(Status(), text);
    EXPECT_TRUE(PathExists(job));
    EXPECT_EQ(ListFolder(folder), before);
    EXPECT_NE(Log().find(" " + text + "\r\n"), std::string::npos) << Log();

    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(Form().ReserveJobFileName(folder), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(RoutingTest, MessageJobIdFromSessionAndCounter)
{
    struct Case {
        DWORD session;
        int counter;
        const char* id;
    } cases[] = {{1, 1, "1000000001"}, {12, 345, "1200000345"}, {0, 7, "0000000007"}, {0, 0, "0000000000"}};
    for (const Case& c : cases) {
        Form().SessionId = c.session;
        EXPECT_EQ(Form().MessageJobId(c.counter), c.id);
    }

    // In session 0 the notice with counter n is named as the command-line job number n.
    Form().SessionId = 0;
    for (int n : {0, 1, 7, 123456789})
        EXPECT_EQ(Lead1() + "\\job" + Form().MessageJobId(n) + ".log", Format("%s\\job%010d.log", Lead1().c_str(), n));
}

TEST_F(RoutingTest, TwoNoticesGetTwoNames)
{
    Printer(1, "SealQueue");
    Form().SessionId = 3;
    const std::string first = Job("a.tmp", "VELT Imager 1");
    const std::string second = Job("b.tmp", "VELT Imager 1");
    Form().RouteJob(first, 0, 1);
    Form().RouteJob(second, 0, 2);
    EXPECT_EQ(ListFolder(Lead1()), (std::vector<std::string>{"job3000000001.log", "job3000000002.log"}));
}

TEST_F(RoutingTest, WaitingJobIsNeverReplaced)
{
    Printer(1, "SealQueue");
    // A command-line job of number 1 waits; a notice with counter 1 in session 0 would take its name.
    WriteFileBytes(Lead1() + "\\job0000000001.log", "waiting job");
    std::string job = Job("a.tmp", "VELT Imager 1", "[Page]\r\nLine1=new\r\n");
    const std::string sent = ReadFileBytes(job);
    Form().RouteJob(job, 0, 1);
    ExpectMoved(job, Lead1() + "\\job0000000000.log");
    EXPECT_EQ(ReadFileBytes(Lead1() + "\\job0000000001.log"), "waiting job");
    EXPECT_EQ(ReadFileBytes(Lead1() + "\\job0000000000.log"), sent);

    // After a restart the counter begins again: the first notice meets the last run's waiting job.
    Form().SessionId = 5;
    WriteFileBytes(Lead1() + "\\job5000000001.log", "last run");
    job = Job("b.tmp", "VELT Imager 1");
    Form().RouteJob(job, 0, 1);
    ExpectMoved(job, Lead1() + "\\job0000000002.log");
    EXPECT_EQ(ReadFileBytes(Lead1() + "\\job5000000001.log"), "last run");
    EXPECT_EQ(ListFolder(Lead1()).size(), 4u);  // nothing lost
    EXPECT_EQ(Log(), "");
}

TEST_F(RoutingTest, ConverterGetsBothPathsQuotedAndTheJobStays)
{
    Printer(2, "EmfRaster");
    std::string record;
    const std::string exe = InstallRecorder("Program Files", record);
    ScopedEnv recordTo("ARGRECORD_FILE", record.c_str());
    Converter(1).SetString("ExePath", "C:\\nowhere\\conv.exe");
    Converter(2).SetString("ExePath", exe);
    CreateDirectoryA((root_ / "jobs\\Spool dir").c_str(), nullptr);
    const std::string job = Job("Spool dir\\job 1.tmp", "VELT Imager 2");

    Form().StatusBar1.SetSimpleText("before");
    Form().RouteJob(job, 0, 1);
    EXPECT_EQ(Status(), "before");  // a started converter shows nothing
    ASSERT_TRUE(PumpUntil([&] { return PathExists(record); }, 20000));
    EXPECT_EQ(ReadFileBytes(record), "\"" + exe + "\" \"" + job + "\"");
    ExpectStays(job);
}

TEST_F(RoutingTest, ConverterFailures)
{
    Printer(1, "EmfRaster");
    const std::string job = Job("a.tmp", "VELT Imager 1");
    Form().RouteJob(job, 0, 1);
    EXPECT_EQ(Status(), "Failed to open SOFTWARE\\VELT Korvel\\EmfRaster");

    ScopedRegKey& converter = Converter(1);
    Form().RouteJob(job, 0, 1);
    EXPECT_EQ(Status(), "SOFTWARE\\VELT Korvel\\EmfRaster\\ExePath not found");

    converter.SetString("ExePath", root_ / "conv.exe");
    Form().RouteJob(job, 0, 1);
    EXPECT_EQ(Status(), "Create process failed, error 2");

    // A value of another type is the registry's error, for the caller's exception display.
    converter.SetDword("ExePath", 1);
    Form().StatusBar1.SetSimpleText("before");
    EXPECT_THROW(Form().RouteJob(job, 0, 1), ERegistryException);
    EXPECT_EQ(Status(), "before");
    EXPECT_EQ(Form().RoutingDepth, 0);
    ExpectStays(job);
    EXPECT_EQ(Log(), "");
}

TEST_F(RoutingTest, PathWithQuotationMarkIsRefused)
{
    Printer(1, "SealQueue");
    const std::string job = Job("a.tmp", "VELT Imager 1");
    // A caller that quotes the path itself: the file exists without the marks.
    const std::string quoted = "\"" + job + "\"";
    Form().RouteJob(quoted, 1);
    EXPECT_EQ(Status(), "Job path holds a quotation mark: " + quoted);
    ExpectStays(job);

    Printer(1, "EmfRaster");
    Converter(1).SetString("ExePath", "C:\\nowhere\\conv.exe");
    const std::string split = job + "\" \"C:\\other.tmp";
    Form().RouteJob(split, 0, 1);
    EXPECT_EQ(Status(), "Job path holds a quotation mark: " + split);
    ExpectStays(job);
}

TEST_F(RoutingTest, RelativePathIsReadAndMovedAsTheSameFile)
{
    Printer(1, "SealQueue");
    char previous[MAX_PATH * 4];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA((root_ / "jobs").c_str()));
    Job("rel.tmp", "VELT Imager 1");
    Form().RouteJob("rel.tmp", 1);
    SetCurrentDirectoryA(previous);
    ExpectMoved(root_ / "jobs\\rel.tmp", Lead1() + "\\job0000000000.log");
}

// Inside the question's own message loop: what the form looks like while the user decides.
struct DuringQuestion {
    static DuringQuestion* current;
    int depth = -1;
    bool visible = false;
    bool hasCancel = false;
    bool hasOk = false;
    std::atomic<bool> ticked{false};
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        current->depth = MainForm->RoutingDepth;
        current->visible = IsWindowVisible(MainForm->Handle()) != FALSE;
        current->ticked = true;
    }
};
DuringQuestion* DuringQuestion::current = nullptr;

TEST_F(RoutingTest, AskUserRestoresAsksAndMovesOnOk)
{
    Printer(1, "Ask user");
    app_->Minimize();
    ASSERT_FALSE(IsWindowVisible(Form().Handle()));
    const std::string job = Job("a.tmp", "VELT Imager 1");

    DuringQuestion during;
    DuringQuestion::current = &during;
    MessageBoxWatcher boxes;
    boxes.SetAnswer(0);
    std::thread answer([&] {
        // The answer waits for the timer, which only the question's own loop can run.
        for (int i = 0; i < 2000 && (boxes.Count() == 0 || !during.ticked); ++i)
            Sleep(10);
        if (boxes.Count() == 0)
            return;
        HWND box = boxes.Seen()[0].Handle;
        during.hasOk = GetDlgItem(box, IDOK) != nullptr;
        during.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
        boxes.AnswerOpen(IDOK);
    });
    SetTimer(nullptr, 0, 1, DuringQuestion::Tick);
    Form().RouteJob(job, 0, 1);
    answer.join();

    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Seen()[0].Caption, "VELT Imager Support");
    EXPECT_EQ(boxes.Seen()[0].Text, "Call SealQueue?");
    EXPECT_TRUE(during.hasOk);
    EXPECT_TRUE(during.hasCancel);
    EXPECT_EQ(during.depth, 1);
    EXPECT_TRUE(during.visible);
    EXPECT_FALSE(app_->Minimized());
    EXPECT_EQ(Form().RoutingDepth, 0);
    ExpectMoved(job, Lead1() + "\\job0000000001.log");
}

TEST_F(RoutingTest, CancelLeavesEverythingAsItWas)
{
    Printer(1, "Ask user");
    const std::string job = Job("a.tmp", "VELT Imager 1");
    const std::string sent = ReadFileBytes(job);
    Form().StatusBar1.SetSimpleText("before");
    MessageBoxWatcher boxes;
    boxes.SetAnswer(IDCANCEL);
    Form().RouteJob(job, 1);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(Status(), "before");
    EXPECT_EQ(ReadFileBytes(job), sent);
    ExpectStays(job);
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(Form().RoutingDepth, 0);
}

} // namespace

TEST_F(RoutingTest, JobsNotHandedOnWarnFromTheTrayUntilTheWindowIsOpened)
{
    TTrayIcon& tray = Form().TrayIcon1;
    app_->Minimize();
    ASSERT_TRUE(tray.Visible());
    const HICON plain = Application->Icon();
    Printer(1, "SealQueue");
    Form().RouteJob(Job("through.tmp", "VELT Imager 1"), 0, 1);
    EXPECT_EQ(tray.Icon(), nullptr);
    EXPECT_EQ(tray.Hint(), "VELT Imager Support");
    EXPECT_EQ(tray.LastSent().uFlags & NIF_INFO, 0u);

    Form().RouteJob(Job("nameless.tmp", "Printer"), 0, 2);
    const NOTIFYICONDATAA& sent = tray.LastSent();
    EXPECT_EQ(sent.uFlags & NIF_INFO, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(sent.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
    EXPECT_STREQ(sent.szInfoTitle, "VELT Imager Support");
    EXPECT_STREQ(sent.szInfo, "Could not read Printer name");
    ASSERT_NE(tray.Icon(), nullptr);
    EXPECT_NE(tray.Icon(), plain);
    EXPECT_EQ(sent.hIcon, tray.Icon());
    EXPECT_STREQ(sent.szTip, "VELT Imager Support\nFailed: Could not read Printer name");

    // The latest failure takes the balloon and the hint; a job handed on meanwhile changes nothing.
    Printer(2, "Fax");
    Form().RouteJob(Job("fax.tmp", "VELT Imager 2"), 0, 3);
    EXPECT_STREQ(tray.LastSent().szInfo, "todostr = Fax");
    Form().RouteJob(Job("through2.tmp", "VELT Imager 1"), 0, 4);
    EXPECT_EQ(tray.LastSent().uFlags & NIF_INFO, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(tray.Hint(), "VELT Imager Support\nFailed: todostr = Fax");
    EXPECT_NE(tray.Icon(), nullptr);

    // Opened, the window shows its status bar: the tray is plain again and stays so while it is open.
    app_->Restore();
    EXPECT_EQ(tray.Icon(), nullptr);
    EXPECT_EQ(tray.Hint(), "VELT Imager Support");
    Form().RouteJob(Job("nameless2.tmp", "Printer"), 0, 5);
    EXPECT_EQ(tray.Icon(), nullptr);
    EXPECT_EQ(tray.Hint(), "VELT Imager Support");
}
