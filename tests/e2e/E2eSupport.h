#pragma once
// Driving the real vimager.exe from this separate process: starting it, finding its window,
// reading what it shows, sending job notices, and an installation of its own for each test.
#include "support/TestSupport.h"
#include "tools/RemoteWindow.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// The folder of this test program; vimager.exe and the tools are built beside it.
std::string BinFolder();

class VimagerProcess {
public:
    VimagerProcess() = default;
    ~VimagerProcess();
    VimagerProcess(const VimagerProcess&) = delete;
    VimagerProcess& operator=(const VimagerProcess&) = delete;

    // Starts vimager.exe (or another program of the bin folder) with the command-line tail given.
    void Start(const std::string& arguments = std::string(), const std::string& program = "vimager.exe");
    // The main window of this process, once start-up has finished.
    HWND WaitForWindow(DWORD timeoutMs = 15000);
    bool WaitForExit(DWORD timeoutMs = 15000);
    bool Running() const;
    DWORD ExitCode() const;
    DWORD ProcessId() const { return processId_; }
    HANDLE Process() const { return process_.get(); }
    void Kill();

private:
    struct Closer {
        void operator()(HANDLE h) const { if (h) CloseHandle(h); }
    };
    std::unique_ptr<void, Closer> process_;
    DWORD processId_ = 0;
};

// Runs a program of the bin folder to its end; its exit code, or ~0 when it did not end in time.
DWORD RunTool(const std::string& program, const std::string& arguments, DWORD timeoutMs = 30000);
// The same, collecting what it wrote to its output and error streams (without carriage returns).
DWORD RunToolOutput(const std::string& program, const std::string& arguments, std::string& output,
                    DWORD timeoutMs = 30000);

HWND FindMainWindow();
// The main window of one process.
std::string StatusText(HWND main);
std::string StampText(HWND main);
std::string InText(HWND main);
bool WaitForStatus(HWND main, const std::string& text, DWORD timeoutMs = 10000);
bool WaitForStatusPrefix(HWND main, const std::string& prefix, DWORD timeoutMs = 10000);

// A job notice as the printer side sends it: the path with its terminator, 8-bit or UTF-16LE.
LRESULT SendJobNotice(HWND main, const std::string& path, bool wide = false, ULONG_PTR kind = 1000);
// Any payload, exactly as given.
LRESULT SendNotice(HWND main, ULONG_PTR kind, const void* data, DWORD size, bool* answered = nullptr);

// An installation of the program's surroundings of its own: install base with "xLead.xml",
// lead folders, the spooler folder ("VELTLOGD"), printer keys in the 64-bit view, a converter key.
// Everything is removed again afterwards.
class TestInstallation {
public:
    TestInstallation();
    ~TestInstallation();
    TestInstallation(const TestInstallation&) = delete;
    TestInstallation& operator=(const TestInstallation&) = delete;

    std::string Root() const { return root_.Path(); }
    std::string InstallBase() const { return root_ / "install"; }
    std::string Lead1() const { return root_ / "lead1"; }
    std::string Lead2() const { return root_ / "lead2"; }
    std::string Jobs() const { return root_ / "jobs"; }
    std::string SpoolerFolder() const { return root_ / "logs\\SealQueue"; }
    std::string StopFile() const { return SpoolerFolder() + "\\xlead.stop"; }
    // Today's activity log.
    std::string LogFile() const;
    std::string LogText() const { return ReadFileBytes(LogFile()); }

    // Installs the printer key (64-bit view) with the given action; empty: no "Todo" value.
    void SetPrinter(int index, const std::string& todo);
    void RemovePrinter(int index);
    void SetConverter(int index, const std::string& exePath);
    // The printer side's delivery values of the printer key (64-bit view), as Fill registry writes them.
    void SetTransfer(int index, DWORD transferMode, const std::string& clientApplication);
    // The "Defaults" subkey of an installed printer, empty.
    void AddDefaults(int index);
    // A job file in the jobs folder naming "VELT Imager <index>"; its full path.
    std::string MakeJob(const std::string& name, int printerIndex);

private:
    TempFolder root_;
    std::unique_ptr<ScopedEnv> logBase_;
    std::vector<std::unique_ptr<ScopedRegKey>> keys_;
};

// Real input, as a person gives it: SendInput events, which Wine queues like those of the mouse and
// keyboard, so they reach the window under the pointer (another process's menus too) or the focus.
void MoveMouseTo(POINT screen);
void ClickAt(POINT screen);
void PressKey(WORD virtualKey);
POINT CentreOf(const RECT& rect);
RECT WindowRect(HWND window);

// Shown top-level windows of one process of that class ("#32768" menus, "#32770" boxes, ...).
std::vector<HWND> ShownWindowsOf(DWORD processId, const std::string& cls);
HWND WaitForShownWindow(DWORD processId, const std::string& cls, DWORD timeoutMs = 10000);
bool WaitForHidden(HWND window, DWORD timeoutMs = 10000);
// A child at any depth with that control id.
HWND ChildWithId(HWND parent, int id);
std::string TextOf(HWND window);
// A child at any depth of that class whose text begins with the prefix.
HWND ChildWithTextPrefix(HWND parent, const std::string& cls, const std::string& prefix);
// Out of the tray, as a double click on the icon does.
bool ShowMainWindow(HWND main);

// The steps below return the empty text when they went as asked, else what went wrong.

// Clicks through the main window's menus by their texts, for example {"Tools", "Setup actions"}.
// Menus cannot be read from another process, so the helper knows the program's menu layout.
std::string ClickMenu(HWND main, const std::vector<std::string>& path);

// The Preferences dialog's grid: opens the drop-down of a data row (1 = first) and picks an entry
// (0 = first), with the mouse or with the keyboard (Home, Down, F4, Down/Up, Enter).
std::string ChooseByMouse(HWND dialog, int row, int entry);
std::string ChooseByKeys(HWND dialog, int row, int entry);
// The entry the drop-down shows for the row it sits on; which row that is.
int ShownEntry(HWND dialog);
int EditorRow(HWND dialog);
// A grid cell's text (row 1 = first data row, column 0 = name) as a reader of the list view finds it.
std::string GridCellText(HWND dialog, int row, int column);
// Presses a button of a window (OK, Cancel) with the mouse.
std::string ClickButton(HWND window, int id);

// A message box of that process, waited for; answered like a person does (its button pressed).
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = 10000);
void AnswerMessageBox(HWND box, int button);
// Processes running that program (file name only, for example "vimager.exe").
std::vector<DWORD> ProcessesOf(const std::string& exeName);
// One that is not among those given, once it runs; 0 when none came in time.
DWORD WaitForNewProcess(const std::string& exeName, const std::vector<DWORD>& known, DWORD timeoutMs = 15000);

// The file version of its version resource as "a.b.c.d", or the empty text.
std::string FileVersionOf(const std::string& path);

constexpr REGSAM kView64 = KEY_WOW64_64KEY;
constexpr REGSAM kView32 = KEY_WOW64_32KEY;
