// A shop's day with the real program. The administrator works through the menus and the
// Preferences dialog with the mouse and the keyboard, the printer side is vprinter, the spooler
// takes jobs out of the lead folders and in the end leaves its stop file.
#include "e2e/E2eSupport.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <regex>
#include <set>

namespace {

const std::vector<std::string> kUseMessages{"Tools", "Fill registry", "Use messages (recommended)"};
const std::vector<std::string> kUseCommandLine{"Tools", "Fill registry", "Use command line (special case)"};
const std::vector<std::string> kPrepareText{"Tools", "Fill registry", "Prepare text"};
const std::vector<std::string> kSetupActions{"Tools", "Setup actions"};
const std::vector<std::string> kAbout{"Help", "About"};
const std::vector<std::string> kExit{"File", "Exit"};
const std::vector<std::string> kRetryWaiting{"File", "Retry waiting jobs"};

// The entries of a row's drop-down, in the order the dialog offers them.
enum Action { kSealQueue, kEmfRaster, kAskUser };

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string PrinterKey(int index)
{
    return "SOFTWARE\\VELT Korvel\\VELT Imager " + std::to_string(index);
}

std::string DefaultsKey(int index)
{
    return PrinterKey(index) + "\\Defaults";
}

// A registry value as its type and its bytes, the size with them.
using RegValue = std::pair<DWORD, std::string>;
using KeyValues = std::map<std::string, RegValue>;

RegValue Text(const std::string& text)
{
    return {REG_SZ, text + '\0'};
}

RegValue Number(DWORD value)
{
    return {REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value)};
}

// Every value of a key in the 64-bit view.
KeyValues ReadKey(const std::string& path)
{
    KeyValues values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | kView64, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        BYTE data[1024];
        DWORD size = sizeof data;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        values[std::string(name, nameLength)] = RegValue{type, std::string(reinterpret_cast<char*>(data), size)};
    }
    RegCloseKey(key);
    return values;
}

KeyValues Delivery(const std::string& exe, DWORD transferMode)
{
    return {{"Client application", Text(exe)}, {"Target window class", Text("TMainForm")},
        {"Target window title", Text("VELT Imager Support")}, {"Transfer mode", Number(transferMode)}};
}

KeyValues TextOutput(bool enabled)
{
    return {{"TXT: Enabled", Number(enabled ? 1 : 0)}, {"TXT: Encoding", Number(2)}, {"TXT: Separate", Number(1)},
        {"TXT: Write BOM", Number(1)}};
}

// The content of every lead file, by its path.
std::map<std::string, std::string> Contents(const std::set<std::string>& files)
{
    std::map<std::string, std::string> contents;
    for (const std::string& file : files)
        contents[file] = ReadFileBytes(file);
    return contents;
}

class ShopDay : public ResidentTest {
protected:
    enum class Place { Source, Lead, Converter, Spooler };
    // Where a job of the day ended; the content it had when it got there.
    struct Job {
        std::string Source;
        Place Where;
        std::string Destination;
        std::string Content;
    };
    struct Printed {
        DWORD ExitCode;
        std::string Output;
        std::string Path;
    };

    void SetUp() override
    {
        exe_ = BinFolder() + "\\vimager.exe";
        // Installed printers, their keys as the printer setup leaves them.
        for (int index : {1, 2}) {
            installation_.SetPrinter(index, "");
            installation_.AddDefaults(index);
        }
        // A converter for each printer, in folders with blanks; each records its command line beside itself.
        const std::string programs = installation_.Root() + "\\Program Files";
        ASSERT_TRUE(CreateDirectoryA(programs.c_str(), nullptr));
        for (int index : {1, 2}) {
            const std::string folder = programs + "\\EmfRaster " + std::to_string(index);
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
            converter_[index] = folder + "\\conv.exe";
            record_[index] = folder + "\\argrecord.txt";
            ASSERT_TRUE(CopyFileA((BinFolder() + "\\argrecord.exe").c_str(), converter_[index].c_str(), FALSE));
            installation_.SetConverter(index, converter_[index]);
        }
        firstLog_ = installation_.LogFile();
    }

    // The resident program, out of the tray, where the administrator can reach its menus.
    void Start()
    {
        ResidentTest::Start();
        ASSERT_FALSE(HasFatalFailure());
        // It goes to the tray at its first idle moment; a double click on the icon brings it back.
        ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(main_); }, 10000));
        ASSERT_TRUE(ShowMainWindow(main_));
    }

    // A Fill registry item, and the one message box that says it is done.
    void FillRegistry(const std::vector<std::string>& item)
    {
        MessageBoxWatcher boxes(program_.Id());
        ASSERT_TRUE(ShowMainWindow(main_));
        ASSERT_EQ(ClickMenu(main_, item), "");
        ASSERT_TRUE(boxes.WaitForCount(1, 10000));
        EXPECT_EQ(boxes.Seen()[0].Caption, "VELT Imager Support");
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Done for 2 printers!"});
    }

    HWND OpenPreferences()
    {
        if (!ShowMainWindow(main_))
            return nullptr;
        const std::string clicked = ClickMenu(main_, kSetupActions);
        EXPECT_EQ(clicked, "");
        if (!clicked.empty())
            return nullptr;
        HWND dialog = WaitForShownWindow(program_.Id(), "TvimgPrefForm");
        // Ready once its grid has settled with the drop-down on a row.
        EXPECT_TRUE(dialog && PumpUntil([&] { return EditorRow(dialog) > 0; }, 5000));
        return dialog;
    }

    // Tools > Setup actions: an action for each printer, then OK.
    void SetActions(Action first, Action second, bool byKeys = false)
    {
        HWND dialog = OpenPreferences();
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(byKeys ? ChooseByKeys(dialog, 1, first) : ChooseByMouse(dialog, 1, first), "");
        ASSERT_EQ(byKeys ? ChooseByKeys(dialog, 2, second) : ChooseByMouse(dialog, 2, second), "");
        ASSERT_EQ(ClickButton(dialog, IDOK), "");
        ASSERT_TRUE(WaitForHidden(dialog));
    }

    // One job of the printer side, delivered the way its printer key says.
    Printed Print(int printer, const std::string& options = std::string())
    {
        Printed printed;
        printed.ExitCode = RunOutput("vprinter.exe",
            "--printer " + std::to_string(printer) + " --folder " + Quoted(installation_.Jobs()) + options,
            printed.Output);
        std::smatch wrote;
        if (std::regex_search(
                printed.Output, wrote, std::regex("Wrote (.+) for VELT Imager " + std::to_string(printer) + "\n")))
            printed.Path = wrote[1];
        return printed;
    }

    std::string Lead(int printer) const { return printer == 1 ? installation_.Lead1() : installation_.Lead2(); }

    // A command-line job's name: the lowest free number.
    std::string FreeName(int printer) const
    {
        for (int number = 0;; ++number) {
            char name[32];
            snprintf(name, sizeof name, "\\job%010d.log", number);
            if (!PathExists(Lead(printer) + name))
                return Lead(printer) + name;
        }
    }

    std::set<std::string> LeadFiles() const
    {
        std::set<std::string> files;
        for (int printer : {1, 2})
            for (const std::string& name : ListFolder(Lead(printer)))
                files.insert(Lead(printer) + "\\" + name);
        return files;
    }

    // The stamp and "IN" fields as a notice leaves them.
    void ExpectFields(const std::string& path)
    {
        EXPECT_TRUE(std::regex_match(StampText(main_),
            std::regex(
                R"(\d\d:\d\d:\d\d Session=)" + std::to_string(session_) + ", Counter=" + std::to_string(counter_))))
            << StampText(main_);
        EXPECT_EQ(InText(main_), path);
    }

    void Noticed(const std::string& path)
    {
        ++counter_;
        logged_.push_back("Got " + path);
    }

    // The spooler route: the job left its source for exactly this name, and nothing else came.
    void ExpectMoved(
        const Printed& printed, int printer, const std::set<std::string>& before, const std::string& destination)
    {
        ASSERT_EQ(printed.ExitCode, 0u) << printed.Output;
        EXPECT_NE(printed.Output.find("The job file has been taken away"), std::string::npos) << printed.Output;
        EXPECT_FALSE(PathExists(printed.Path));
        std::set<std::string> added;
        for (const std::string& file : LeadFiles())
            if (!before.count(file))
                added.insert(file);
        EXPECT_EQ(added, std::set<std::string>{destination});
        const std::string content = ReadFileBytes(destination);
        EXPECT_EQ(content.rfind("[Device]\r\nDeviceName=VELT Imager " + std::to_string(printer) + "\r\n", 0), 0u)
            << content;
        jobs_.push_back(Job{printed.Path, Place::Lead, destination, content});
    }

    // The job stayed where the printer side put it; nothing reached a lead folder.
    void ExpectKept(const Printed& printed, const std::set<std::string>& before, Place where = Place::Source)
    {
        ASSERT_EQ(printed.ExitCode, 0u) << printed.Output;
        EXPECT_NE(printed.Output.find("The job file is still at " + printed.Path), std::string::npos) << printed.Output;
        EXPECT_EQ(LeadFiles(), before);
        jobs_.push_back(Job{printed.Path, where, std::string(), ReadFileBytes(printed.Path)});
    }

    // The converter route: the printer's converter was started on the job, which stays at its source.
    void ExpectConverted(const Printed& printed, int printer, const std::set<std::string>& before)
    {
        ExpectKept(printed, before, Place::Converter);
        // Just after the converter's rename the file can still be open for a moment: read until it answers.
        std::string record;
        ASSERT_TRUE(PumpUntil([&] { return !(record = ReadFileBytes(record_[printer])).empty(); }, 20000));
        EXPECT_EQ(record, Quoted(converter_[printer]) + " " + Quoted(printed.Path));
        DeleteFileA(record_[printer].c_str());
    }

    // A notice for a printer that converts: the status bar stays as it was, the fields show the job.
    void NoticeConverted(int printer)
    {
        const std::string status = StatusText(main_);
        const std::set<std::string> before = LeadFiles();
        const Printed printed = Print(printer);
        Noticed(printed.Path);
        ExpectConverted(printed, printer, before);
        EXPECT_EQ(StatusText(main_), status);
        ExpectFields(printed.Path);
    }

    // The spooler takes a job out of its lead folder.
    void TakeAway(const std::string& destination)
    {
        ASSERT_TRUE(DeleteFileA(destination.c_str()));
        for (Job& job : jobs_)
            if (job.Where == Place::Lead && job.Destination == destination)
                job.Where = Place::Spooler;
    }

    // A job file that another program holds open: it can be read, not moved.
    std::string HeldJob(const std::string& name, int printer, HANDLE& hold)
    {
        const std::string path = installation_.Jobs() + "\\" + name;
        WriteJobFile(path, "VELT Imager " + std::to_string(printer), "[Job]\r\nSource=" + name + "\r\n");
        hold = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        return path;
    }

    // File > Retry waiting jobs: the job that waited goes on under the lowest free number.
    void RetryWaiting(const std::string& source, int printer)
    {
        const std::string destination = FreeName(printer);
        const std::string content = ReadFileBytes(source);
        ASSERT_TRUE(ShowMainWindow(main_));
        ASSERT_EQ(ClickMenu(main_, kRetryWaiting), "");
        ASSERT_TRUE(PumpUntil([&] { return !PathExists(source); }, 10000));
        EXPECT_EQ(StatusText(main_), "OUT = " + destination);
        EXPECT_EQ(ReadFileBytes(destination), content);
        logged_.push_back("Handed on after waiting: " + source + ", OUT = " + destination);
        jobs_.push_back(Job{source, Place::Lead, destination, content});
    }

    std::string exe_;
    std::string firstLog_;
    std::map<int, std::string> converter_;
    std::map<int, std::string> record_;
    std::vector<Job> jobs_;
    // What the day's log should hold, line by line.
    std::vector<std::string> logged_;
};

} // namespace

TEST_F(ShopDay, TheAdministratorSetsUpThePrintersThroughTheMenusAndTheDialog)
{
    ASSERT_NO_FATAL_FAILURE(Start());

    ASSERT_NO_FATAL_FAILURE(FillRegistry(kUseMessages));
    for (int index : {1, 2}) {
        const KeyValues values = ReadKey(PrinterKey(index));
        EXPECT_EQ(values, Delivery(exe_, 1)) << index;
        // The sizes the printer side reads with them: each text with its terminating zero.
        EXPECT_EQ(values.at("Client application").second.size(), exe_.size() + 1);
        EXPECT_EQ(values.at("Target window class").second.size(), 10u);
        EXPECT_EQ(values.at("Target window title").second.size(), 20u);
        EXPECT_EQ(values.at("Transfer mode").second.size(), 4u);
        EXPECT_TRUE(ReadKey(DefaultsKey(index)).empty());
    }

    ASSERT_NO_FATAL_FAILURE(FillRegistry(kUseCommandLine));
    for (int index : {1, 2})
        EXPECT_EQ(ReadKey(PrinterKey(index)), Delivery(exe_, 0)) << index;

    // The mark is read back from printer 1's "Defaults" each time the submenu opens: on, then off.
    ASSERT_NO_FATAL_FAILURE(FillRegistry(kPrepareText));
    for (int index : {1, 2}) {
        EXPECT_EQ(ReadKey(DefaultsKey(index)), TextOutput(true)) << index;
        EXPECT_EQ(ReadKey(PrinterKey(index)), Delivery(exe_, 0)) << index;
    }
    ASSERT_NO_FATAL_FAILURE(FillRegistry(kPrepareText));
    for (int index : {1, 2})
        EXPECT_EQ(ReadKey(DefaultsKey(index)), TextOutput(false)) << index;

    ASSERT_NO_FATAL_FAILURE(FillRegistry(kUseMessages));
    for (int index : {1, 2})
        EXPECT_EQ(ReadKey(PrinterKey(index)), Delivery(exe_, 1)) << index;

    // Setup actions: no "Todo" yet shows as SealQueue; one row by mouse, one by keyboard, OK.
    HWND dialog = OpenPreferences();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(TextOf(dialog), "Preferences");
    EXPECT_EQ(GridCellText(dialog, 1, 0), "VELT Imager 1");
    EXPECT_EQ(GridCellText(dialog, 2, 1), "SealQueue");
    EXPECT_EQ(EditorRow(dialog), 1);
    EXPECT_EQ(ShownEntry(dialog), kSealQueue);
    ASSERT_EQ(ChooseByMouse(dialog, 1, kEmfRaster), "");
    ASSERT_EQ(ChooseByKeys(dialog, 2, kAskUser), "");
    ASSERT_EQ(ClickButton(dialog, IDOK), "");
    ASSERT_TRUE(WaitForHidden(dialog));
    KeyValues first = Delivery(exe_, 1);
    first["Todo"] = Text("EmfRaster");
    KeyValues second = Delivery(exe_, 1);
    second["Todo"] = Text("Ask user");
    EXPECT_EQ(ReadKey(PrinterKey(1)), first);
    EXPECT_EQ(ReadKey(PrinterKey(2)), second);

    // Shown again with what is stored; other choices, then Cancel: nothing changes.
    dialog = OpenPreferences();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ShownEntry(dialog), kEmfRaster);
    ASSERT_EQ(ChooseByKeys(dialog, 1, kSealQueue), "");
    ASSERT_EQ(ChooseByMouse(dialog, 2, kEmfRaster), "");
    ASSERT_EQ(ClickButton(dialog, IDCANCEL), "");
    ASSERT_TRUE(WaitForHidden(dialog));
    EXPECT_EQ(ReadKey(PrinterKey(1)), first);
    EXPECT_EQ(ReadKey(PrinterKey(2)), second);
    for (int index : {1, 2})
        EXPECT_EQ(ReadKey(DefaultsKey(index)), TextOutput(false)) << index;

    // The next show has the stored actions again; Esc leaves it.
    dialog = OpenPreferences();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ShownEntry(dialog), kEmfRaster);
    PressKey(VK_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return EditorRow(dialog) == 2; }, 5000));
    EXPECT_EQ(ShownEntry(dialog), kAskUser);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitForHidden(dialog));
    EXPECT_EQ(ReadKey(PrinterKey(2)), second);

    // Help > About names the version of the file that runs.
    ASSERT_EQ(ClickMenu(main_, kAbout), "");
    HWND about = WaitForShownWindow(program_.Id(), "TAboutForm");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(TextOf(about), "About VELT Imager Support");
    const std::string version = FileVersionOf(exe_);
    ASSERT_TRUE(std::regex_match(version, std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << version;
    HWND label = ChildWithTextPrefix(about, "Static", "Program version: ");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(TextOf(label), "Program version: " + version);
    ASSERT_EQ(ClickButton(about, IDOK), "");
    ASSERT_TRUE(WaitForHidden(about));

    ASSERT_EQ(ClickMenu(main_, kExit), "");
    ASSERT_TRUE(program_.WaitForExit(10000));
    EXPECT_EQ(program_.ExitCode(), 0u);
}

TEST_F(ShopDay, EveryJobOfTheDayEndsInExactlyOnePlace)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    // Morning: the printers deliver by notice; printer 1 to the spooler, printer 2 asks.
    ASSERT_NO_FATAL_FAILURE(FillRegistry(kUseMessages));
    ASSERT_NO_FATAL_FAILURE(SetActions(kSealQueue, kAskUser));

    std::set<std::string> before = LeadFiles();
    Printed printed = Print(1);
    EXPECT_NE(printed.Output.find("\"Transfer mode\" 1 (message)"), std::string::npos) << printed.Output;
    EXPECT_NE(printed.Output.find("reply 1"), std::string::npos) << printed.Output;
    Noticed(printed.Path);
    ExpectMoved(printed, 1, before, Lead(1) + "\\" + JobName(counter_));
    EXPECT_EQ(StatusText(main_), "OUT = " + Lead(1) + "\\" + JobName(counter_));
    ExpectFields(printed.Path);

    for (int answer : {IDOK, IDCANCEL}) {
        MessageBoxWatcher boxes(program_.Id());
        boxes.SetAnswer(answer);
        const std::string status = StatusText(main_);
        before = LeadFiles();
        printed = Print(2);
        Noticed(printed.Path);
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Seen()[0].Caption, "VELT Imager Support");
        EXPECT_EQ(boxes.Seen()[0].Text, "Call SealQueue?");
        if (answer == IDOK) {
            ExpectMoved(printed, 2, before, Lead(2) + "\\" + JobName(counter_));
            EXPECT_EQ(StatusText(main_), "OUT = " + Lead(2) + "\\" + JobName(counter_));
        } else {
            ExpectKept(printed, before);
            EXPECT_EQ(StatusText(main_), status);
        }
        ExpectFields(printed.Path);
    }

    before = LeadFiles();
    printed = Print(1, " --wide");
    EXPECT_NE(printed.Output.find("(UTF-16)"), std::string::npos) << printed.Output;
    Noticed(printed.Path);
    ExpectMoved(printed, 1, before, Lead(1) + "\\" + JobName(counter_));
    ExpectFields(printed.Path);

    // A job that another program holds open cannot be moved: shown, logged, and it waits; let go,
    // it goes on with the next retry.
    HANDLE hold = nullptr;
    const std::string held = HeldJob("held1.tmp", 1, hold);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SendJobNotice(main_, held), 1);
    CloseHandle(hold);
    Noticed(held);
    logged_.push_back("Error 32 moving " + held + " into " + Lead(1) + "\\" + JobName(counter_));
    EXPECT_EQ(StatusText(main_), logged_.back());
    ExpectFields(held);
    ASSERT_NO_FATAL_FAILURE(RetryWaiting(held, 1));

    // Midday: printer 1 goes to the converter, printer 2 straight to the spooler.
    ASSERT_NO_FATAL_FAILURE(SetActions(kEmfRaster, kSealQueue));
    NoticeConverted(1);

    before = LeadFiles();
    printed = Print(2);
    Noticed(printed.Path);
    ExpectMoved(printed, 2, before, Lead(2) + "\\" + JobName(counter_));
    ExpectFields(printed.Path);

    // The spooler signs printer 2's first job and takes it away.
    TakeAway(Lead(2) + "\\" + JobName(2));

    // Afternoon: the printers start the program for each job instead.
    ASSERT_NO_FATAL_FAILURE(FillRegistry(kUseCommandLine));
    std::string status = StatusText(main_);
    const std::string stamp = StampText(main_);
    const std::string in = InText(main_);
    before = LeadFiles();
    std::string destination = FreeName(2);
    printed = Print(2);
    EXPECT_NE(printed.Output.find("\"Transfer mode\" 0 (cmdline)"), std::string::npos) << printed.Output;
    EXPECT_NE(printed.Output.find("Started " + Quoted(exe_) + " " + Quoted(printed.Path)), std::string::npos)
        << printed.Output;
    ExpectMoved(printed, 2, before, destination);

    before = LeadFiles();
    printed = Print(1);
    ExpectConverted(printed, 1, before);

    // A held job by command line: the reserved name is given up again, and the job waits in the
    // resident program (exit code 3), which hands it on once it is let go.
    before = LeadFiles();
    const std::string held2 = HeldJob("held2.tmp", 2, hold);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    destination = FreeName(2);
    VimagerProcess once;
    once.Start(Quoted(held2));
    const bool ended = once.WaitForExit(15000);
    CloseHandle(hold);
    ASSERT_TRUE(ended);
    EXPECT_EQ(once.ExitCode(), 3u);
    logged_.push_back("Error 32 moving " + held2 + " into " + destination);
    EXPECT_EQ(LeadFiles(), before);
    EXPECT_EQ(StatusText(main_), status);
    ASSERT_NO_FATAL_FAILURE(RetryWaiting(held2, 2));
    status = StatusText(main_);

    // Printer 1 asks now, printer 2 converts; chosen with the keyboard.
    ASSERT_NO_FATAL_FAILURE(SetActions(kAskUser, kEmfRaster, true));
    for (int answer : {IDOK, IDCANCEL}) {
        before = LeadFiles();
        destination = FreeName(1);
        const std::vector<DWORD> running = ProcessesOf("vimager.exe");
        auto printing = std::async(std::launch::async, [&] { return Print(1); });
        // The question comes from the instance that the printer side started for this job.
        const DWORD asking = WaitForNewProcess("vimager.exe", running);
        ASSERT_NE(asking, 0u);
        HWND box = WaitForMessageBox(asking);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(TextOf(box), "VELT Imager Support");
        EXPECT_EQ(MessageBoxText(box), "Call SealQueue?");
        AnswerMessageBox(box, answer);
        printed = printing.get();
        if (answer == IDOK)
            ExpectMoved(printed, 1, before, destination);
        else
            ExpectKept(printed, before);
    }
    before = LeadFiles();
    printed = Print(2);
    ExpectConverted(printed, 2, before);
    // None of this but the waiting job went through the resident program.
    EXPECT_EQ(StatusText(main_), status);
    EXPECT_EQ(StampText(main_), stamp);
    EXPECT_EQ(InText(main_), in);

    // Evening: notices again, with the actions chosen last.
    ASSERT_NO_FATAL_FAILURE(FillRegistry(kUseMessages));
    {
        MessageBoxWatcher boxes(program_.Id());
        before = LeadFiles();
        printed = Print(1);
        Noticed(printed.Path);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Call SealQueue?"});
        ExpectMoved(printed, 1, before, Lead(1) + "\\" + JobName(counter_));
        ExpectFields(printed.Path);
    }
    NoticeConverted(2);

    // Closing time with jobs still waiting; the next start counts from 1 again.
    ASSERT_NO_FATAL_FAILURE(SetActions(kSealQueue, kSealQueue));
    const std::map<std::string, std::string> waiting = Contents(LeadFiles());
    ASSERT_TRUE(waiting.count(Lead(1) + "\\" + JobName(1)));
    ASSERT_FALSE(waiting.count(Lead(2) + "\\" + JobName(2)));
    ASSERT_EQ(ClickMenu(main_, kExit), "");
    ASSERT_TRUE(program_.WaitForExit(10000));
    EXPECT_EQ(program_.ExitCode(), 0u);
    EXPECT_EQ(Contents(LeadFiles()), waiting);

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(StatusText(main_), "Session Id: " + std::to_string(session_));
    EXPECT_EQ(StampText(main_), "");
    EXPECT_EQ(InText(main_), "");
    // Counter 1's name still waits in printer 1's folder: the job takes the lowest free number.
    before = LeadFiles();
    destination = FreeName(1);
    printed = Print(1);
    Noticed(printed.Path);
    ExpectMoved(printed, 1, before, destination);
    EXPECT_EQ(StatusText(main_), "OUT = " + destination);
    ExpectFields(printed.Path);
    // Counter 2's name in printer 2's folder was taken away by the spooler: it is free again.
    before = LeadFiles();
    printed = Print(2);
    Noticed(printed.Path);
    ExpectMoved(printed, 2, before, Lead(2) + "\\" + JobName(2));
    ExpectFields(printed.Path);
    // None lost, none replaced.
    for (const auto& file : waiting)
        EXPECT_EQ(ReadFileBytes(file.first), file.second) << file.first;
    EXPECT_EQ(LeadFiles().size(), waiting.size() + 2);

    // The spooler takes printer 1's jobs and then stops the program.
    for (const std::string& name : ListFolder(Lead(1)))
        TakeAway(Lead(1) + "\\" + name);
    WriteFileBytes(installation_.StopFile(), "");
    ASSERT_TRUE(program_.WaitForExit(10000));
    EXPECT_EQ(program_.ExitCode(), 0u);
    EXPECT_TRUE(PathExists(installation_.StopFile()));

    // Every job is in exactly one place: at its source (kept, failed or converted), in a lead
    // folder with the content it arrived with, or gone with the spooler.
    std::set<std::string> inLead;
    std::set<std::string> atSource;
    for (const Job& job : jobs_) {
        SCOPED_TRACE(job.Source);
        EXPECT_TRUE(std::regex_match(job.Destination, std::regex(R"(|.*\\job\d{10}\.log)"))) << job.Destination;
        switch (job.Where) {
        case Place::Lead:
            EXPECT_TRUE(inLead.insert(job.Destination).second) << job.Destination;
            EXPECT_EQ(ReadFileBytes(job.Destination), job.Content);
            EXPECT_FALSE(PathExists(job.Source));
            break;
        case Place::Source:
        case Place::Converter:
            atSource.insert(job.Source);
            EXPECT_EQ(ReadFileBytes(job.Source), job.Content);
            break;
        case Place::Spooler:
            EXPECT_FALSE(PathExists(job.Source));
            EXPECT_FALSE(inLead.count(job.Destination));
            break;
        }
    }
    EXPECT_EQ(LeadFiles(), inLead);
    std::set<std::string> sources;
    for (const std::string& name : ListFolder(installation_.Jobs()))
        sources.insert(installation_.Jobs() + "\\" + name);
    EXPECT_EQ(sources, atSource);

    // The day's log: a "Got " line per notice and an "Error " line per failed move, nothing else.
    std::string log = ReadFileBytes(firstLog_);
    if (installation_.LogFile() != firstLog_)
        log += ReadFileBytes(installation_.LogFile());
    std::vector<std::string> lines;
    const std::regex line(R"((\d\d):(\d\d):(\d\d)\.(\d\d\d) ([^\r\n]*)\r\n)");
    size_t consumed = 0;
    for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it) {
        EXPECT_EQ(static_cast<size_t>(it->position()), consumed) << log;
        consumed = it->position() + it->length();
        lines.push_back((*it)[5]);
    }
    EXPECT_EQ(consumed, log.size()) << log;
    EXPECT_EQ(lines, logged_);
}
