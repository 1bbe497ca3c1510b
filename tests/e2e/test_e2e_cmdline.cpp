// The command-line mode of the real program, driven by the printer-side tool vprinter.
#include "e2e/E2eSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string VimagerExe()
{
    return BinFolder() + "\\vimager.exe";
}

// Follows a process started with DEBUG_ONLY_THIS_PROCESS to its end: the file names of the
// libraries it loaded, and its exit code; false when it did not end in time.
bool FollowLoads(std::vector<std::string>& loaded, DWORD& exitCode)
{
    DEBUG_EVENT event{};
    while (WaitForDebugEvent(&event, 30000)) {
        DWORD status = DBG_CONTINUE;
        HANDLE file = nullptr;
        if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT)
            file = event.u.CreateProcessInfo.hFile;
        else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT)
            file = event.u.LoadDll.hFile;
        else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT
            && event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
            status = DBG_EXCEPTION_NOT_HANDLED;
        const UniqueHandle owned(file);
        char path[MAX_PATH] = {0};
        if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT && file
            && GetFinalPathNameByHandleA(file, path, MAX_PATH, 0) < MAX_PATH) {
            const char* name = strrchr(path, '\\');
            loaded.push_back(name ? name + 1 : path);
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            exitCode = event.u.ExitProcess.dwExitCode;
            return true;
        }
    }
    return false;
}

} // namespace

TEST(CommandLine, PrinterKeyAsksForTheCommandLineAndJobsGetReservedNames)
{
    TestInstallation installation;
    installation.SetPrinter(1, "SealQueue");
    installation.SetTransfer(1, 0, VimagerExe());

    std::string output;
    ASSERT_EQ(RunOutput("vprinter.exe", "--printer 1 --folder " + Quoted(installation.Jobs()), output), 0u)
        << output;
    EXPECT_NE(output.find("\"Transfer mode\" 0 (cmdline)"), std::string::npos) << output;
    EXPECT_NE(output.find("ended with exit code 0"), std::string::npos) << output;
    EXPECT_NE(output.find("The job file has been taken away"), std::string::npos) << output;
    EXPECT_EQ(ListFolder(installation.Lead1()), std::vector<std::string>{"job0000000000.log"});
    const std::string first = ReadFileBytes(installation.Lead1() + "\\job0000000000.log");
    EXPECT_EQ(first.rfind("[Device]\r\nDeviceName=VELT Imager 1\r\n", 0), 0u) << first;

    ASSERT_EQ(RunOutput("vprinter.exe", "--count 2 --folder " + Quoted(installation.Jobs()), output), 0u)
        << output;
    EXPECT_EQ(ListFolder(installation.Lead1()),
              (std::vector<std::string>{"job0000000000.log", "job0000000001.log", "job0000000002.log"}));
    EXPECT_EQ(ReadFileBytes(installation.Lead1() + "\\job0000000000.log"), first);
    EXPECT_TRUE(ListFolder(installation.Jobs()).empty());
    EXPECT_TRUE(ListFolder(installation.Lead2()).empty());
}

TEST(CommandLine, RunsBesideAResidentInstance)
{
    TestInstallation installation;
    installation.SetPrinter(2, "");
    VimagerProcess resident;
    resident.Start();
    HWND main = resident.WaitForWindow();
    ASSERT_NE(main, nullptr);
    const std::string status = StatusText(main);

    std::string output;
    ASSERT_EQ(RunOutput("vprinter.exe",
                            "--printer 2 --mode cmdline --exe " + Quoted(VimagerExe()) + " --folder " +
                                Quoted(installation.Jobs()),
                            output),
              0u)
        << output;
    EXPECT_EQ(ListFolder(installation.Lead2()), std::vector<std::string>{"job0000000000.log"});
    // The resident instance neither ended nor saw anything of it.
    EXPECT_TRUE(resident.Running());
    EXPECT_EQ(FindMainWindowOf(resident.Id()), main);
    EXPECT_EQ(StatusText(main), status);

    // The resident one goes on taking job notices meanwhile.
    ASSERT_EQ(RunOutput("vprinter.exe", "--printer 2 --mode message --wide --folder " + Quoted(installation.Jobs()),
                            output),
              0u)
        << output;
    EXPECT_NE(output.find("reply 1"), std::string::npos) << output;
    EXPECT_EQ(ListFolder(installation.Lead2()).size(), 2u);
    EXPECT_TRUE(ListFolder(installation.Jobs()).empty());

    WriteFileBytes(installation.StopFile(), "");
    EXPECT_TRUE(resident.WaitForExit(10000));
}

TEST(CommandLine, OnlyTheFirstArgumentIsRouted)
{
    TestInstallation installation;
    installation.SetPrinter(1, "SealQueue");
    const std::string first = installation.MakeJob("first job.tmp", 1);
    const std::string second = installation.MakeJob("second.tmp", 1);
    const std::string sent = ReadFileBytes(first);

    VimagerProcess program;
    program.Start(Quoted(first) + " " + Quoted(second));
    ASSERT_TRUE(program.WaitForExit(15000));
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(ListFolder(installation.Lead1()), std::vector<std::string>{"job0000000000.log"});
    EXPECT_EQ(ReadFileBytes(installation.Lead1() + "\\job0000000000.log"), sent);
    EXPECT_FALSE(PathExists(first));
    EXPECT_TRUE(PathExists(second));
}

TEST(CommandLine, FailedMoveIsWrittenToTheDaysLog)
{
    TestInstallation installation;
    installation.SetPrinter(1, "SealQueue");
    const std::string job = installation.MakeJob("held.tmp", 1);
    // Another program holds the job file open without delete sharing.
    HANDLE hold = CreateFileA(job.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    VimagerProcess program;
    program.Start(Quoted(job));
    const bool ended = program.WaitForExit(15000);
    CloseHandle(hold);
    ASSERT_TRUE(ended);

    const std::string expected = "Error 32 moving " + job + " into " + installation.Lead1() + "\\job0000000000.log";
    const std::string log = installation.LogText();
    EXPECT_NE(log.find(" " + expected + "\r\n"), std::string::npos) << log;
    EXPECT_TRUE(PathExists(job));
    // The reserved name is given up again: no empty job waits for the spooler.
    EXPECT_TRUE(ListFolder(installation.Lead1()).empty());
}

TEST(CommandLine, ConverterIsStartedWithBothPathsQuoted)
{
    TestInstallation installation;
    installation.SetPrinter(1, "EmfRaster");
    installation.SetTransfer(1, 0, VimagerExe());
    const std::string folder = installation.Root() + "\\Program Files\\Conv";
    ASSERT_TRUE(CreateDirectoryA((installation.Root() + "\\Program Files").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string converter = folder + "\\conv.exe";
    ASSERT_TRUE(CopyFileA((BinFolder() + "\\argrecord.exe").c_str(), converter.c_str(), FALSE));
    installation.SetConverter(1, converter);
    const std::string record = installation.Root() + "\\args.txt";
    ScopedEnv recordTo("ARGRECORD_FILE", record.c_str());
    const std::string spool = installation.Root() + "\\Spool dir";
    ASSERT_TRUE(CreateDirectoryA(spool.c_str(), nullptr));

    std::string output;
    ASSERT_EQ(RunOutput("vprinter.exe", "--folder " + Quoted(spool), output), 0u) << output;
    const std::vector<std::string> jobs = ListFolder(spool);
    ASSERT_EQ(jobs.size(), 1u);
    // Under Wine the renamed record can be seen a moment before it can be read.
    ASSERT_TRUE(PumpUntil([&] { return !ReadFileBytes(record).empty(); }, 20000));
    EXPECT_EQ(ReadFileBytes(record), Quoted(converter) + " " + Quoted(spool + "\\" + jobs[0]));
    EXPECT_TRUE(ListFolder(installation.Lead1()).empty());
}

// A job handed on ends with 0 (above); one that was not, with 2; the user's Cancel is handed on.
TEST(CommandLine, ExitCodeTellsThePrinterSideWhetherTheJobWentOn)
{
    TestInstallation installation;
    installation.SetTransfer(1, 0, VimagerExe());
    installation.SetPrinter(1, "Fax");
    std::string output;
    EXPECT_EQ(RunOutput("vprinter.exe", "--folder " + Quoted(installation.Jobs()), output), 6u) << output;
    EXPECT_NE(output.find("ended with exit code 2: the job was not handed on"), std::string::npos) << output;
    EXPECT_EQ(ListFolder(installation.Jobs()).size(), 1u);

    installation.SetPrinter(1, "Ask user");
    const std::vector<DWORD> known = ProcessesOf("vimager.exe");
    Process printer;
    ASSERT_TRUE(printer.Start("vprinter.exe", "--folder " + Quoted(installation.Jobs())));
    const DWORD program = WaitForNewProcess("vimager.exe", known);
    ASSERT_NE(program, 0u);
    HWND box = WaitForMessageBox(program);
    ASSERT_NE(box, nullptr);
    AnswerMessageBox(box, IDCANCEL);
    ASSERT_TRUE(printer.WaitForExit(20000));
    EXPECT_EQ(printer.ExitCode(), 0u);
    EXPECT_EQ(ListFolder(installation.Jobs()).size(), 2u);
    EXPECT_TRUE(ListFolder(installation.Lead1()).empty());
}

TEST(CommandLine, PrinterToolSaysWhenNothingCanTakeTheJob)
{
    TestInstallation installation;
    std::string output;
    EXPECT_EQ(RunOutput("vprinter.exe", "--help", output), 0u);
    EXPECT_NE(output.find("Usage: vprinter"), std::string::npos) << output;

    EXPECT_EQ(RunOutput("vprinter.exe", "--printer 1 --folder " + Quoted(installation.Jobs()), output), 2u);
    EXPECT_NE(output.find("not found"), std::string::npos) << output;

    ASSERT_EQ(FindMainWindow(), nullptr);
    EXPECT_EQ(RunOutput("vprinter.exe", "--mode message --folder " + Quoted(installation.Jobs()), output), 4u);
    EXPECT_NE(output.find("no window of class \"TMainForm\""), std::string::npos) << output;

    EXPECT_EQ(RunOutput("vprinter.exe",
                            "--mode cmdline --exe " + Quoted(installation.Root() + "\\none.exe") + " --folder " +
                                Quoted(installation.Jobs()),
                            output),
              5u);
    EXPECT_NE(output.find("could not start"), std::string::npos) << output;
    // A job that was never handed over is not left lying about.
    EXPECT_TRUE(ListFolder(installation.Jobs()).empty());
    EXPECT_EQ(RunOutput("vprinter.exe", "--mode fax", output), 1u);
}

// The window libraries are bound when first called: a job handed on in the default set-up (no
// "VELTLOGD") shows no window and loads none of them.
TEST(CommandLine, AJobHandedOnLoadsNoWindowLibrary)
{
    TestInstallation installation;
    installation.SetPrinter(1, "SealQueue");
    const std::string job = installation.MakeJob("plain.tmp", 1);
    const ScopedEnv defaultSetUp("VELTLOGD", nullptr);

    Process program;
    ASSERT_TRUE(program.Start("vimager.exe", Quoted(job), DEBUG_ONLY_THIS_PROCESS));
    std::vector<std::string> loaded;
    DWORD exitCode = ~0u;
    ASSERT_TRUE(FollowLoads(loaded, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(ListFolder(installation.Lead1()), std::vector<std::string>{"job0000000000.log"});
    auto loads = [&](const char* library) {
        return std::any_of(loaded.begin(), loaded.end(),
            [&](const std::string& name) { return _stricmp(name.c_str(), library) == 0; });
    };
    // The list is read: a library imported as usual is in it.
    EXPECT_TRUE(loads("advapi32.dll"));
    for (const char* library : {"user32.dll", "gdi32.dll", "comctl32.dll", "shell32.dll", "version.dll"})
        EXPECT_FALSE(loads(library)) << library;
}
