#pragma once
// Driving the real vimager.exe from this separate process: starting it, finding its window,
// reading what it shows, sending job notices, and an installation of its own for each test.
#include "support/TestSupport.h"
#include "tools/RemoteProcess.h"
#include "tools/RemoteWindow.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

// vimager.exe of the bin folder, ended by force when the test ends.
class VimagerProcess : public Process {
public:
    // Throws when it cannot start.
    void Start(const std::string& arguments = std::string());
    // The main window of this process, once start-up has finished.
    HWND WaitForWindow(DWORD timeoutMs = 15000) { return WaitForMainWindow(Id(), timeoutMs, Handle()); }
};

// An installation of the program's surroundings of its own: install base with "xLead.xml",
// lead folders, the spooler folder ("VELTLOGD"), printer keys in the 64-bit view, a converter key.
// Everything is removed again afterwards.
class TestInstallation {
public:
    TestInstallation();
    ~TestInstallation();

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
    // The resident instance's journal of waiting jobs, of the current user (removed before and after).
    static std::string WaitingJournal();

private:
    TempFolder root_;
    std::unique_ptr<ScopedEnv> logBase_;
    std::vector<std::unique_ptr<ScopedRegKey>> keys_;
};

// A test of the resident program in an installation of its own; the stop file ends it afterwards.
class ResidentTest : public ::testing::Test {
protected:
    void TearDown() override;
    // Starts the program and waits until its window shows the session.
    void Start();
    // The name a notice's job gets: "job", the session and the counter, ten characters.
    std::string JobName(int counter) const;

    TestInstallation installation_;
    VimagerProcess program_;
    HWND main_ = nullptr;
    DWORD session_ = 0;
    // The notices counted so far.
    int counter_ = 0;
};

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

// The text in double quotation marks, as one argument of a command line.
std::string Quote(const std::string& text);

// A job file whose content names it: counted in a lead folder, a replaced or partial job would show.
std::string JobText(const std::string& id, int printer = 1);
// The id a job's content names, or the empty text.
std::string IdOf(const std::string& content);
// Every job file of the folder by the id its content names, with the count of files per id.
std::map<std::string, int> CountIds(const std::string& folder, std::map<std::string, std::string>* contents = nullptr);

// The file version of its version resource as "a.b.c.d", or the empty text.
std::string FileVersionOf(const std::string& path);

constexpr REGSAM kView64 = KEY_WOW64_64KEY;
constexpr REGSAM kView32 = KEY_WOW64_32KEY;
