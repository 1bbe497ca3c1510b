// Job routing against the real registry and real folders of the test prefix.
#include "AppFixture.h"
#include "RoutingFixture.h"

#include "app/Handoff.h"
#include "app/Jobtext.h"
#include "app/resource.h"
#include "support/Vsupport1.h"
#include "toolkit/Handles.h"
#include "toolkit/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

namespace {

std::string ThisFolder()
{
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string self(path, length);
    return self.substr(0, self.find_last_of('\\'));
}

class RoutingTest : public RoutingFixture {
protected:
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
        Route(job, 0, 1);
        EXPECT_EQ(Status(), c.status) << c.device;
        ExpectStays(job);
    }

    // A missing job file, one without the section, and an empty one.
    Route(root_ / "jobs\\missing.tmp", 1);
    EXPECT_EQ(Status(), "Could not read Printer name");
    const std::string other = root_ / "jobs\\other.tmp";
    WriteFileBytes(other, "[Printer]\r\nDeviceName=VELT Imager 1\r\n");
    Route(other, 1);
    EXPECT_EQ(Status(), "Could not read Printer name");
    WriteFileBytes(other, "");
    Route(other, 1);
    EXPECT_EQ(Status(), "Could not read Printer name");
    ExpectStays(other);
}

TEST_F(RoutingTest, SpoolerRouteMovesIntoTheLeadFolderUnderTheJobId)
{
    Printer(1, "SealQueue");
    config_.SessionId = 12;
    std::string job = Job("a.tmp", "VELT Imager 1", "[Page]\r\nLine1=receipt 345\r\n");
    const std::string sent = ReadFileBytes(job);
    Route(job, 0, 345);
    ExpectMoved(job, Lead1() + "\\job1200000345.log");
    EXPECT_EQ(ReadFileBytes(Lead1() + "\\job1200000345.log"), sent);

    // The printer's section and key names match without regard to case.
    config_.SessionId = 1;
    job = root_ / "jobs\\b.tmp";
    WriteFileBytes(job, "[device]\r\ndevicename=VELT Imager 1\r\n");
    Route(job, 0, 1);
    EXPECT_EQ(Status(), "OUT = " + Lead1() + "\\job1000000001.log");
    EXPECT_EQ(ReadFileBytes(Lead1() + "\\job1000000001.log"), "[device]\r\ndevicename=VELT Imager 1\r\n");
    EXPECT_FALSE(PathExists(job));
    EXPECT_EQ(Log(), "");  // only failures are logged
}

TEST_F(RoutingTest, MissingOrUnreadableActionMeansSealQueue)
{
    // No key at all.
    std::string job = Job("a.tmp", "VELT Imager 1");
    Route(job, 0, 1);
    ExpectMoved(job, Lead1() + "\\job0000000001.log");

    // A key without "Todo", with an empty one, with one that is not a string.
    ScopedRegKey& key = Printer(1, "");
    job = Job("b.tmp", "VELT Imager 1");
    Route(job, 0, 2);
    ExpectMoved(job, Lead1() + "\\job0000000002.log");
    key.SetString("Todo", "  ");
    job = Job("c.tmp", "VELT Imager 1");
    Route(job, 0, 3);
    ExpectMoved(job, Lead1() + "\\job0000000003.log");
    key.SetDword("Todo", 2);
    job = Job("d.tmp", "VELT Imager 1");
    Route(job, 0, 4);
    ExpectMoved(job, Lead1() + "\\job0000000004.log");
}

TEST_F(RoutingTest, ActionIsTrimmedAndComparedWithoutCase)
{
    Printer(1, " emfraster ");
    std::string job = Job("a.tmp", "VELT Imager 1");
    Route(job, 0, 1);
    EXPECT_EQ(Status(), "Failed to open SOFTWARE\\VELT Korvel\\EmfRaster");  // the converter route
    ExpectStays(job);

    Printer(1, "\tSEALQUEUE\r\n");
    Route(job, 0, 1);
    ExpectMoved(job, Lead1() + "\\job0000000001.log");

    Printer(1, "Print");
    job = Job("b.tmp", "VELT Imager 1");
    Route(job, 0, 2);
    EXPECT_EQ(Status(), "todostr = Print");
    EXPECT_TRUE(PathExists(job));
    EXPECT_EQ(ListFolder(Lead1()).size(), 1u);

    // Asks in any mix of case.
    answer_ = false;
    for (const char* todo : {"Ask User", " ASK USER ", "ask user"}) {
        Printer(1, todo);
        const int before = asked_;
        Route(job, 0, 2);
        EXPECT_EQ(asked_, before + 1) << todo;
        EXPECT_TRUE(PathExists(job));
    }
}

TEST_F(RoutingTest, PrinterKeyIsReadInTheSixtyFourBitView)
{
    Printer(1, "Print32", KEY_WOW64_32KEY);
    Printer(1, "Print64", KEY_WOW64_64KEY);
    const std::string job = Job("a.tmp", "VELT Imager 1");
    Route(job, 0, 1);
    EXPECT_EQ(Status(), "todostr = Print64");
}

TEST_F(RoutingTest, IndexAboveOneUsesLead2AndTheConverterKeySuffix)
{
    Printer(3, "SealQueue");
    Printer(1, "Print1");
    std::string job = Job("a.tmp", "VELT Imager 3");
    Route(job, 0, 5);
    ExpectMoved(job, Lead2() + "\\job0000000005.log");
    EXPECT_TRUE(ListFolder(Lead1()).empty());

    job = Job("b.tmp", "VELT Imager 2");
    Route(job, 1);
    ExpectMoved(job, Lead2() + "\\job0000000000.log");

    Printer(3, "EmfRaster");
    Converter(1).SetString("ExePath", "C:\\nowhere\\conv.exe");
    Converter(2).SetString("ExePath", "C:\\nowhere\\conv.exe");
    job = Job("c.tmp", "VELT Imager 3");
    Route(job, 0, 6);
    EXPECT_EQ(Status(), "Failed to open SOFTWARE\\VELT Korvel\\EmfRaster3");
    EXPECT_TRUE(PathExists(job));
    Converter(3);
    Route(job, 0, 6);
    EXPECT_EQ(Status(), "SOFTWARE\\VELT Korvel\\EmfRaster3\\ExePath not found");
    EXPECT_TRUE(PathExists(job));
    // Two digits, appended whole.
    Printer(12, "EmfRaster");
    keys_.push_back(std::make_unique<ScopedRegKey>(HKEY_CURRENT_USER, "SOFTWARE\\VELT Korvel\\EmfRaster12"));
    Route(Job("d.tmp", "VELT Imager 12"), 0, 7);
    EXPECT_EQ(Status(), "SOFTWARE\\VELT Korvel\\EmfRaster12\\ExePath not found");
}

TEST_F(RoutingTest, LeadFolderIsCreatedWithItsParentsOrReported)
{
    config_.LeadFolder = root_ / "new\\deeper\\lead";
    std::string job = Job("a.tmp", "VELT Imager 1");
    Route(job, 1);
    ExpectMoved(job, root_ / "new\\deeper\\lead\\job0000000000.log");

    // Below a file no folder can be made.
    WriteFileBytes(root_ / "file", "x");
    config_.LeadFolder = root_ / "file\\lead";
    job = Job("b.tmp", "VELT Imager 1");
    Route(job, 1);
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

    Route(job, 0, 7);
    const std::string text0 = "Error 32 moving " + job + " into " + Lead1() + "\\job0000000007.log";
    EXPECT_EQ(Status(), text0);
    EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    // In mode 1 too, nothing is left in the lead folder.
    Route(job, 1);
    const std::string text1 = "Error 32 moving " + job + " into " + Lead1() + "\\job0000000000.log";
    EXPECT_EQ(Status(), text1);
    CloseHandle(held);

    ExpectStays(job);
    const std::string log = Log();
    EXPECT_NE(log.find(" " + text0 + "\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" " + text1 + "\r\n"), std::string::npos) << log;
}

TEST_F(RoutingTest, HandOffTakesTheLowestFreeNumberAndReplacesNothing)
{
    const std::string folder = root_ / "names";
    CreateDirectoryA(folder.c_str(), nullptr);
    auto handOff = [&](const std::string& preferred) {
        const std::string job = Job("h.tmp", "VELT Imager 1", "[Page]\r\nLine1=" + preferred + "\r\n");
        const Handoff result = HandOffJob(job, folder, preferred);
        EXPECT_EQ(result.Error, static_cast<DWORD>(ERROR_SUCCESS)) << result.Destination;
        EXPECT_FALSE(PathExists(job));
        return result.Destination;
    };
    EXPECT_EQ(handOff(""), folder + "\\job0000000000.log");
    EXPECT_EQ(handOff(""), folder + "\\job0000000001.log");

    // A gap is filled; a folder in the way counts as taken; a taken preferred name falls back.
    WriteFileBytes(folder + "\\job0000000003.log", "waiting");
    CreateDirectoryA((folder + "\\job0000000002.log").c_str(), nullptr);
    EXPECT_EQ(handOff("job0000000003.log"), folder + "\\job0000000004.log");
    DeleteFileA((folder + "\\job0000000001.log").c_str());
    EXPECT_EQ(handOff(""), folder + "\\job0000000001.log");
    EXPECT_EQ(handOff("job1000000001.log"), folder + "\\job1000000001.log");
    EXPECT_EQ(ReadFileBytes(folder + "\\job0000000003.log"), "waiting");
    EXPECT_EQ(ListFolder(folder).size(), 6u);

    // Any other failure ends the search at once, with the code and the name tried.
    const std::string job = Job("v.tmp", "VELT Imager 1");
    const Handoff vanished = HandOffJob(job, root_ / "vanished", "");
    EXPECT_EQ(vanished.Error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(vanished.Destination, root_ / "vanished\\job0000000000.log");
    EXPECT_TRUE(PathExists(job));
    EXPECT_FALSE(PathExists(root_ / "vanished"));
}

TEST_F(RoutingTest, CommandLineJobsGetReservedNames)
{
    Printer(1, "SealQueue");
    std::string job = Job("a.tmp", "VELT Imager 1");
    Route(job, 1);
    ExpectMoved(job, Lead1() + "\\job0000000000.log");
    job = Job("b.tmp", "VELT Imager 1");
    Route(job, 1);
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
    config_.LeadFolder = folder;
    const std::string job = Job("a.tmp", "VELT Imager 1");
    Route(job, 1);
    const std::string text = "Error 5 moving " + job + " into " + folder + "\\job0000000000.log";
    EXPECT_EQ(Status(), text);
    EXPECT_TRUE(PathExists(job));
    EXPECT_EQ(ListFolder(folder), before);
    EXPECT_NE(Log().find(" " + text + "\r\n"), std::string::npos) << Log();
}

TEST_F(RoutingTest, TwoNoticesGetTwoNames)
{
    Printer(1, "SealQueue");
    config_.SessionId = 3;
    const std::string first = Job("a.tmp", "VELT Imager 1");
    const std::string second = Job("b.tmp", "VELT Imager 1");
    Route(first, 0, 1);
    Route(second, 0, 2);
    EXPECT_EQ(ListFolder(Lead1()), (std::vector<std::string>{"job3000000001.log", "job3000000002.log"}));
}

TEST_F(RoutingTest, WaitingJobIsNeverReplaced)
{
    Printer(1, "SealQueue");
    // A command-line job of number 1 waits; a notice with counter 1 in session 0 would take its name.
    WriteFileBytes(Lead1() + "\\job0000000001.log", "waiting job");
    std::string job = Job("a.tmp", "VELT Imager 1", "[Page]\r\nLine1=new\r\n");
    const std::string sent = ReadFileBytes(job);
    Route(job, 0, 1);
    ExpectMoved(job, Lead1() + "\\job0000000000.log");
    EXPECT_EQ(ReadFileBytes(Lead1() + "\\job0000000001.log"), "waiting job");
    EXPECT_EQ(ReadFileBytes(Lead1() + "\\job0000000000.log"), sent);

    // After a restart the counter begins again: the first notice meets the last run's waiting job.
    config_.SessionId = 5;
    WriteFileBytes(Lead1() + "\\job5000000001.log", "last run");
    job = Job("b.tmp", "VELT Imager 1");
    Route(job, 0, 1);
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

    status_ = "before";
    Route(job, 0, 1);
    EXPECT_EQ(Status(), "before");  // a started converter shows nothing
    // Under Wine the renamed record can be seen a moment before it can be read.
    ASSERT_TRUE(PumpUntil([&] { return !ReadFileBytes(record).empty(); }, 20000));
    EXPECT_EQ(ReadFileBytes(record), "\"" + exe + "\" \"" + job + "\"");
    ExpectStays(job);
}

TEST_F(RoutingTest, ConverterFailures)
{
    Printer(1, "EmfRaster");
    const std::string job = Job("a.tmp", "VELT Imager 1");
    Route(job, 0, 1);
    EXPECT_EQ(Status(), "Failed to open SOFTWARE\\VELT Korvel\\EmfRaster");

    ScopedRegKey& converter = Converter(1);
    Route(job, 0, 1);
    EXPECT_EQ(Status(), "SOFTWARE\\VELT Korvel\\EmfRaster\\ExePath not found");

    converter.SetString("ExePath", root_ / "conv.exe");
    Route(job, 0, 1);
    EXPECT_EQ(Status(), "Create process failed, error 2");
    EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    // A value of another type is the registry's error, for the caller's exception display.
    converter.SetDword("ExePath", 1);
    status_ = "before";
    EXPECT_THROW(Route(job, 0, 1), ERegistryException);
    EXPECT_EQ(Status(), "before");
    ExpectStays(job);
    EXPECT_EQ(Log(), "");
}

TEST_F(RoutingTest, PathWithQuotationMarkIsRefused)
{
    Printer(1, "SealQueue");
    const std::string job = Job("a.tmp", "VELT Imager 1");
    // A caller that quotes the path itself: the file exists without the marks.
    const std::string quoted = "\"" + job + "\"";
    Route(quoted, 1);
    EXPECT_EQ(Status(), "Job path holds a quotation mark: " + quoted);
    ExpectStays(job);

    Printer(1, "EmfRaster");
    Converter(1).SetString("ExePath", "C:\\nowhere\\conv.exe");
    const std::string split = job + "\" \"C:\\other.tmp";
    Route(split, 0, 1);
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
    Route("rel.tmp", 1);
    SetCurrentDirectoryA(previous);
    ExpectMoved(root_ / "jobs\\rel.tmp", Lead1() + "\\job0000000000.log");
}

TEST_F(RoutingTest, CancelLeavesEverythingAsItWas)
{
    Printer(1, "Ask user");
    const std::string job = Job("a.tmp", "VELT Imager 1");
    const std::string sent = ReadFileBytes(job);
    status_ = "before";
    answer_ = false;
    Route(job, 1);
    EXPECT_EQ(asked_, 1);
    EXPECT_EQ(Status(), "before");
    EXPECT_EQ(ReadFileBytes(job), sent);
    ExpectStays(job);
    EXPECT_EQ(Log(), "");
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
        current->depth = MainFormProbe::RoutingDepth(*MainForm);
        current->visible = IsWindowVisible(MainForm->Handle()) != FALSE;
        current->ticked = true;
    }
};
DuringQuestion* DuringQuestion::current = nullptr;

// The main window's part: the question, the status bar and the day's log.
class FormRoutingTest : public FormOnFoldersTest {
protected:
    void SetUp() override
    {
        DeleteRegTree(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), KEY_WOW64_64KEY);
        FormOnFoldersTest::SetUp();
    }
};

TEST_F(FormRoutingTest, AskUserRestoresAsksAndMovesOnOk)
{
    ScopedRegKey printer(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), KEY_WOW64_64KEY);
    printer.SetString(PrinterValue::Todo, "Ask user");
    TMainForm& form = *MainForm;
    form.HideToTray();
    ASSERT_FALSE(IsWindowVisible(form.Handle()));
    const std::string job = root_ / "jobs\\a.tmp";
    WriteJobFile(job, "VELT Imager 1");

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
    form.RouteJob(job, 0, 1);
    answer.join();

    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Seen()[0].Caption, "VELT Imager Support");
    EXPECT_EQ(boxes.Seen()[0].Text, "Call SealQueue?");
    EXPECT_TRUE(during.hasOk);
    EXPECT_TRUE(during.hasCancel);
    EXPECT_EQ(during.depth, 1);
    EXPECT_TRUE(during.visible);
    EXPECT_FALSE(form.InTray());
    EXPECT_EQ(MainFormProbe::RoutingDepth(form), 0);
    EXPECT_EQ(form.StatusBar1.SimpleText(), "OUT = " + (root_ / "lead1\\job0000000001.log"));
    EXPECT_FALSE(PathExists(job));
    EXPECT_EQ(Log(), "");

    // A failed move is shown and logged; a cancelled question shows and logs nothing.
    WriteJobFile(job, "VELT Imager 1");
    UniqueFile held(CreateFileA(job.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    boxes.SetAnswer(IDOK);
    form.RouteJob(job, 0, 2);
    const std::string text = "Error 32 moving " + job + " into " + (root_ / "lead1\\job0000000002.log");
    EXPECT_EQ(form.StatusBar1.SimpleText(), text);
    EXPECT_NE(Log().find(" " + text + "\r\n"), std::string::npos) << Log();
    boxes.SetAnswer(IDCANCEL);
    form.RouteJob(job, 1);
    EXPECT_EQ(form.StatusBar1.SimpleText(), text);
    EXPECT_EQ(MainFormProbe::RoutingDepth(form), 0);
}

} // namespace

namespace {

std::wstring Wide(const std::string& ansi)
{
    std::wstring wide(ansi.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                                        &wide[0], static_cast<int>(wide.size()))));
    return wide;
}

// Run once as it comes and once under a Greek locale (code page 1253): the lead folder's name
// lands exactly there, and elsewhere never becomes another folder.
TEST_F(RoutingTest, GreekLeadFolderLandsOrBecomesNoOtherFolder)
{
    char locale[64] = "";
    GetEnvironmentVariableA("LC_ALL", locale, sizeof locale);
    if (std::string(locale).rfind("el_GR", 0) == 0) {
        ASSERT_EQ(GetACP(), 1253u) << "the Greek locale did not give its code page";
    }
    Printer(1, "SealQueue");
    const std::string settings = root_ / "xLead.xml";
    // "Αθήνα" in UTF-8, below the test's folder.
    WriteFileBytes(settings, "<SealQueue><Lead><TempVImg>" + root_.Path() +
                                 "\\\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1\\lead</TempVImg></Lead></SealQueue>");
    cPARAMBASE2 file(settings, "SealQueue");
    config_.LeadFolder = cPARAMNODE(file.BaseNode().child("Lead")).GetValue("TempVImg");
    const std::wstring greek = Wide(root_.Path()) + L"\\\u0391\u03B8\u03AE\u03BD\u03B1\\lead";
    const std::string job = Job("a.tmp", "VELT Imager 1");
    Route(job, 1);
    if (GetACP() == 1253) {
        EXPECT_EQ(Status(), "OUT = " + config_.LeadFolder + "\\job0000000000.log");
        EXPECT_NE(GetFileAttributesW((greek + L"\\job0000000000.log").c_str()), INVALID_FILE_ATTRIBUTES);
    } else {
        EXPECT_EQ(Status(), "Directory " + config_.LeadFolder + " does not exist!");
        EXPECT_TRUE(PathExists(job));
    }
    std::vector<std::string> made = ListFolder(root_.Path());
    made.erase(std::remove(made.begin(), made.end(), std::string(GetACP() == 1253 ? "\xC1\xE8\xDE\xED\xE1" : "")),
               made.end());
    EXPECT_EQ(made, (std::vector<std::string>{"jobs", "lead1", "lead2", "xLead.xml"}));
}

// A UTF-16 notice for "jobł.tmp" beside a "jobl.tmp", the name best fit would make of it.
TEST_F(FormRoutingTest, AWidePathIsNeverReadAsAnotherFile)
{
    ScopedRegKey printer(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), KEY_WOW64_64KEY);
    const std::string other = root_ / "jobs\\jobl.tmp";
    WriteJobFile(other, "VELT Imager 1", "[Job]\r\nId=other\r\n");
    const std::string otherSent = ReadFileBytes(other);
    const std::wstring wide = Wide(root_ / "jobs") + L"\\job\u0142.tmp";
    auto notice = [&] {
        const std::wstring payload = wide + L'\0';
        COPYDATASTRUCT data{1000, static_cast<DWORD>(payload.size() * sizeof(wchar_t)),
                            const_cast<wchar_t*>(payload.data())};
        return SendMessageW(MainForm->Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    };

    // No such file, so no short name: refused, answered, logged as got and, from the tray, warned of.
    MainForm->HideToTray();
    EXPECT_EQ(notice(), 1);
    const std::string refused = "Job path not in the system code page: " + (root_ / "jobs\\job?.tmp");
    EXPECT_EQ(MainForm->StatusBar1.SimpleText(), refused);
    EXPECT_NE(Log().find(" Got " + (root_ / "jobs\\job?.tmp") + "\r\n"), std::string::npos) << Log();
    EXPECT_EQ(MainForm->TrayIcon1.Hint(), "VELT Imager Support\nFailed: " + refused);
    EXPECT_NE(MainForm->TrayIcon1.Icon(), nullptr);
    MainForm->ApplicationRestore();

    // The file exists: routed through its short name.
    {
        UniqueFile file(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
        const std::string text = "[Device]\r\nDeviceName=VELT Imager 1\r\n[Job]\r\nId=wide\r\n";
        DWORD written = 0;
        WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    EXPECT_EQ(notice(), 1);
    EXPECT_EQ(MainForm->StatusBar1.SimpleText(), "OUT = " + (root_ / "lead1\\job0000000002.log"));
    EXPECT_EQ(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(ReadFileBytes(root_ / "lead1\\job0000000002.log").find("Id=wide"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(other), otherSent);
    EXPECT_EQ(ListFolder(root_ / "lead1").size(), 1u);
}

} // namespace

TEST_F(FormRoutingTest, JobsNotHandedOnWaitAndWarnFromTheTrayUntilTheyHaveGoneOn)
{
    TMainForm& form = *MainForm;
    TTrayIcon& tray = form.TrayIcon1;
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), KEY_WOW64_64KEY);
    ScopedRegKey printer2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), KEY_WOW64_64KEY);
    printer1.SetString(PrinterValue::Todo, "SealQueue");
    printer2.SetString(PrinterValue::Todo, "Fax");
    const auto Job = [this](const std::string& name, const std::string& device) {
        const std::string path = root_ / ("jobs\\" + name);
        WriteJobFile(path, device, "[Page]\r\n");
        return path;
    };
    form.HideToTray();
    ASSERT_TRUE(tray.Visible());
    const HICON plain = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAINICON));
    form.RouteJob(Job("through.tmp", "VELT Imager 1"), 0, 1);
    EXPECT_EQ(tray.Icon(), nullptr);
    EXPECT_EQ(tray.Hint(), "VELT Imager Support");
    EXPECT_EQ(TrayIconSeam::LastSent(tray).uFlags & NIF_INFO, 0u);

    const std::string nameless = Job("nameless.tmp", "Printer");
    form.RouteJob(nameless, 0, 2);
    EXPECT_EQ(form.StatusBar1.SimpleText(), "Could not read Printer name");
    const NOTIFYICONDATAA& sent = TrayIconSeam::LastSent(tray);
    EXPECT_EQ(sent.uFlags & NIF_INFO, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(sent.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
    EXPECT_STREQ(sent.szInfoTitle, "VELT Imager Support");
    EXPECT_EQ(Trim(sent.szInfo), "A print job waits: its printer name could not be read. It will go on by itself.");
    ASSERT_NE(tray.Icon(), nullptr);
    EXPECT_NE(tray.Icon(), plain);
    EXPECT_EQ(sent.hIcon, tray.Icon());
    EXPECT_STREQ(sent.szTip, "VELT Imager Support\n1 job waiting");

    // Each failure has its balloon; a job handed on meanwhile changes nothing.
    const std::string fax = Job("fax.tmp", "VELT Imager 2");
    form.RouteJob(fax, 0, 3);
    EXPECT_EQ(Trim(TrayIconSeam::LastSent(tray).szInfo), "A print job waits: its printer's action is unknown. It will go on by itself.");
    form.RouteJob(Job("through2.tmp", "VELT Imager 1"), 0, 4);
    EXPECT_EQ(tray.Hint(), "VELT Imager Support\n2 jobs waiting");
    EXPECT_NE(tray.Icon(), nullptr);
    // The window says so at the end of its status bar, beside the status text.
    char part[64] = {0};
    SendMessageA(form.StatusBar1.Handle(), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(part));
    EXPECT_STREQ(part, "2 jobs waiting");
    // A job whose file is not there has nothing to wait with: it is reported as before.
    form.RouteJob(root_ / "jobs\\gone.tmp", 0, 5);
    EXPECT_EQ(Trim(TrayIconSeam::LastSent(tray).szInfo), "Could not read Printer name");
    EXPECT_EQ(tray.Hint(), "VELT Imager Support\n2 jobs waiting\nFailed: Could not read Printer name");

    // Opened, the window shows its status bar; the warning stays while jobs wait.
    form.ApplicationRestore();
    EXPECT_NE(tray.Icon(), nullptr);
    EXPECT_EQ(tray.Hint(), "VELT Imager Support\n2 jobs waiting");
    form.HideToTray();

    // The action corrected, a retry hands the job on without a new notice; the other is dismissed.
    form.DismissWaitingJobs({nameless});
    EXPECT_TRUE(PathExists(nameless));
    EXPECT_EQ(tray.Hint(), "VELT Imager Support\n1 job waiting");
    printer2.SetString(PrinterValue::Todo, "SealQueue");
    form.RetryWaitingJobs();
    EXPECT_FALSE(PathExists(fax));
    EXPECT_EQ(form.StatusBar1.SimpleText(), "OUT = " + (root_ / "lead2\\job0000000000.log"));
    EXPECT_EQ(tray.Icon(), nullptr);
    EXPECT_EQ(tray.Hint(), "VELT Imager Support");
    EXPECT_EQ(Trim(TrayIconSeam::LastSent(tray).szInfo), "The waiting print jobs have gone on.");
    EXPECT_EQ(TrayIconSeam::LastSent(tray).dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    const std::string log = Log();
    EXPECT_NE(log.find(" Dismissed from the waiting jobs, left where it is: " + nameless + "\r\n"), std::string::npos);
    EXPECT_NE(log.find(" Handed on after waiting: " + fax + ", OUT = " + (root_ / "lead2\\job0000000000.log")),
              std::string::npos);
}
