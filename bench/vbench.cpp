// vbench: benchmarks of job routing. Prints Markdown tables: the notice round trip against two
// bare receivers, where the time of a notice goes, the command-line mode against a do-nothing
// program, the name reservation in a lead folder full of waiting jobs, and start-up and
// footprint. Run "vbench --help".
#include "app/Handoff.h"
#include "app/Jobtext.h"
#include "app/Vimager1.h"
#include "app/resource.h"
#include "bench/BenchSupport.h"
#include "tests/support/MainFormProbe.h"
#include "support/PrinterKeys.h"
#include "support/Vsupport1.h"
#include "toolkit/IniFiles.h"
#include "toolkit/Registry.h"
#include "toolkit/SysUtils.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>

namespace {

const char kUsage[] = "Usage: vbench [--only notices,profile,cmdline,reserve,startup] [--notices N] [--rounds R]\n"
                      "              [--profile N] [--cmdline N] [--sizes 0,1000,10000,50000] [--backlog DIR]\n"
                      "              [--footprint N] [--starts N]\n"
                      "Runs the benchmarks against vimager.exe and the bench programs beside this one and\n"
                      "prints their tables. Defaults: 5000 notices per receiver in 3 rounds, 2000 samples of\n"
                      "each step of a notice, 200 command-line jobs, lead folders of 0, 1000, 10000 and 50000\n"
                      "waiting jobs, 10000 notices for the footprint, 10 starts. --backlog: a folder holding,\n"
                      "for a size N, a folder N of N waiting jobs made beforehand (scripts/bench makes them\n"
                      "outside Wine); other sizes are filled here.\n";

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

void Fail(const std::string& what)
{
    throw std::runtime_error(what);
}

void Start(Process& process, const std::string& program, const std::string& arguments = std::string())
{
    // Under load Wine now and then refuses a start with ERROR_INTERNAL_ERROR: try again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (process.Start(program, arguments))
            return;
        if (GetLastError() != ERROR_INTERNAL_ERROR)
            break;
    }
    Fail("cannot start " + program + ", error " + std::to_string(GetLastError()));
}

// Start-up as seen from outside: when the main window can be found, and when it has been
// shown and hidden again (in the tray).
struct StartWatch {
    HWND Window = nullptr;
    double Found = -1;
    double InTray = -1;
};

StartWatch WatchStart(Process& process, double started, bool waitForTray, DWORD timeoutMs = 20000)
{
    StartWatch watch;
    bool seenVisible = false;
    const DWORD begin = GetTickCount();
    while (GetTickCount() - begin < timeoutMs && process.Running()) {
        if (!watch.Window) {
            watch.Window = FindMainWindowOf(process.Id());
            if (watch.Window)
                watch.Found = Seconds() - started;
        }
        if (watch.Window) {
            if (!waitForTray)
                break;
            if (IsWindowVisible(watch.Window)) {
                seenVisible = true;
            } else if (seenVisible) {
                watch.InTray = Seconds() - started;
                break;
            }
        }
        Sleep(1);
    }
    return watch;
}

void Stop(Process& process, HWND window, bool program)
{
    if (window)
        PostMessageA(window, program ? WM_COMMAND : WM_CLOSE, program ? IDM_EXIT1 : 0, 0);
    if (!process.WaitForExit(10000))
        process.Kill();
}

std::string StartLine(double seconds)
{
    return seconds < 0 ? std::string("-") : Format("%.0f", seconds * 1e3);
}

enum class Receiver { Floor, Bare, Program };

const char* ReceiverName(Receiver receiver)
{
    switch (receiver) {
    case Receiver::Floor:
        return "(a) bare: MoveFileExA only";
    case Receiver::Bare:
        return "(b) bare: the per-notice work in a straight line";
    default:
        return "vimager.exe";
    }
}

struct NoticeRun {
    DWORD Pid = 0;
    long Count = 0;
    double Seconds = 0, Mean = 0, Median = 0, P99 = 0, Max = 0;
};

// Sends `count` notices to each process, in turns; take: the sender also plays the spooler and
// empties these lead folders every 100 turns.
std::vector<NoticeRun> SendNotices(
    const std::string& jobs, const std::vector<DWORD>& processes, long count, const std::vector<std::string>& take)
{
    std::string arguments = "--jobs " + Quoted(jobs) + " --count " + std::to_string(count) + " --every 100";
    for (DWORD pid : processes)
        arguments += " --pid " + std::to_string(pid);
    for (const std::string& lead : take)
        arguments += " --take " + Quoted(lead);
    std::string output;
    const DWORD code = RunOutput("vbench_send.exe", arguments, output, 3600000);
    std::vector<NoticeRun> runs;
    for (size_t at = output.find("RESULT "); at != std::string::npos; at = output.find("RESULT ", at + 1)) {
        NoticeRun run;
        unsigned long pid = 0;
        long failed = -1;
        if (std::sscanf(output.c_str() + at,
                "RESULT pid=%lu notices=%ld failed=%ld seconds=%lf mean_us=%lf median_us=%lf p99_us=%lf "
                "max_us=%lf",
                &pid, &run.Count, &failed, &run.Seconds, &run.Mean, &run.Median, &run.P99, &run.Max)
            == 8) {
            run.Pid = pid;
            runs.push_back(run);
        }
    }
    if (code != 0 || runs.size() != processes.size())
        Fail("vbench_send ended with " + std::to_string(code) + ": " + output);
    return runs;
}

// One round: the three receivers side by side, each with lead folders and a log of its own, fed
// in turns by one sender.
std::vector<NoticeRun> NoticeRound(long count, bool take)
{
    Installation installation;
    const std::string root = installation.Root();
    const std::string floorLead = root + "\\lead-a", bareLead = root + "\\lead-b1", bareLead2 = root + "\\lead-b2";
    const std::string bareLogs = root + "\\logs-b";
    for (const std::string& folder : {floorLead, bareLead, bareLead2, bareLogs, bareLogs + "\\SealQueue"})
        CreateDirectoryA(folder.c_str(), nullptr);

    Process processes[3];
    Start(processes[0], "vbench_floor.exe", Quoted(floorLead));
    SetEnvironmentVariableA("VELTLOGD", bareLogs.c_str());
    Start(processes[1], "vbench_bare.exe", Quoted(bareLead) + " " + Quoted(bareLead2));
    SetEnvironmentVariableA("VELTLOGD", (root + "\\logs").c_str());
    Start(processes[2], "vimager.exe");
    HWND windows[3];
    std::vector<DWORD> ids;
    for (int r = 0; r < 3; ++r) {
        windows[r] = WatchStart(processes[r], Seconds(), r == 2).Window;
        if (!windows[r])
            Fail(std::string("no window of ") + ReceiverName(static_cast<Receiver>(r)));
        ids.push_back(processes[r].Id());
    }
    Sleep(300);
    const std::string leads[3] = {floorLead, bareLead, installation.Lead1()};
    std::vector<NoticeRun> runs = SendNotices(installation.Jobs(), ids, count,
        take ? std::vector<std::string>(leads, leads + 3) : std::vector<std::string>());
    for (int r = 0; r < 3; ++r)
        Stop(processes[r], windows[r], r == 2);

    // Only a load that was routed counts.
    if (CountEntries(installation.Jobs()) != 0)
        Fail("not every job was moved");
    for (int r = 0; r < 3; ++r) {
        if (runs[r].Pid != ids[r])
            Fail("vbench_send reported the receivers in another order");
        if (!take && CountEntries(leads[r]) != static_cast<size_t>(count))
            Fail(std::string(ReceiverName(static_cast<Receiver>(r))) + " did not move every job");
    }
    for (const std::string& log : {LogTextIn(bareLogs + "\\SealQueue"), installation.LogText()})
        if (std::count(log.begin(), log.end(), '\n') < count)
            Fail("a receiver did not log every notice");
    return runs;
}

void PrintNoticeRuns(const std::vector<NoticeRun>& runs)
{
    std::printf("| Receiver | jobs/s | mean us | median us | p99 us | max us |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    for (int r = 0; r < 3; ++r)
        std::printf("| %s | %.0f | %.1f | %.1f | %.1f | %.1f |\n", ReceiverName(static_cast<Receiver>(r)),
            static_cast<double>(runs[r].Count) / runs[r].Seconds, runs[r].Mean, runs[r].Median, runs[r].P99,
            runs[r].Max);
    const NoticeRun& full = runs[2];
    std::printf("\n| Ratio | mean | median |\n|---|---:|---:|\n");
    std::printf("| full / (a), what the design's per-job work costs | %.2f | %.2f |\n", full.Mean / runs[0].Mean,
        full.Median / runs[0].Median);
    std::printf("| full / (b), what our own code adds (goal <= 1.15) | %.2f | %.2f |\n\n", full.Mean / runs[1].Mean,
        full.Median / runs[1].Median);
    std::fflush(stdout);
}

void NoticeTable(long count, long rounds)
{
    std::vector<std::vector<NoticeRun>> all;
    for (long round = 0; round < rounds; ++round)
        all.push_back(NoticeRound(count, true));
    // The round whose full / (b) ratio is the median one: all three rows come from that round.
    std::sort(all.begin(), all.end(), [](const std::vector<NoticeRun>& a, const std::vector<NoticeRun>& b) {
        return a[2].Mean / a[1].Mean < b[2].Mean / b[1].Mean;
    });
    std::printf("### Notice round trip\n\n");
    std::printf("%ld job notices per receiver for existing job files, spooler route, same volume, log on, sent one\n"
                "after another by vbench_send to the three receivers in turns (so that they share the moments of\n"
                "the machine). The sender also plays the spooler: after every 100 turns it takes the jobs out of\n"
                "the lead folders (not timed). Jobs/s from the time spent in SendMessage. The round of median\n"
                "full / (b) out of %ld; the others gave full / (b) from %.2f to %.2f.\n\n",
        count, rounds, all.front()[2].Mean / all.front()[1].Mean, all.back()[2].Mean / all.back()[1].Mean);
    PrintNoticeRuns(all[all.size() / 2]);

    std::printf("The same load while the spooler is down, so that each lead folder fills up to %ld jobs (one\n"
                "round):\n\n",
        count);
    PrintNoticeRuns(NoticeRound(count, false));
}

// The steps of one notice, timed one by one in this process with the program's own code.
void ProfileTable(long count)
{
    Installation installation;
    // Made as the program entry makes it, but not initialized from the command line: the bench's
    // arguments are no job.
    TApplication application;
    Application = &application;
    application.SetTitle("VELT Imager Support");
    application.CreateForm(MainForm);
    TMainForm& form = *MainForm;
    // Its window and fields made, as in the resident program: the texts then reach real controls.
    form.Handle();
    // The bench's installation, as the program would read it at start.
    MainFormProbe::Config(form) = ReadMainConfig();

    long serial = 0;
    auto job = [&] {
        const std::string path = Format("%s\\p%07ld.tmp", installation.Jobs().c_str(), serial++);
        if (!WriteJob(path, 1))
            Fail("cannot write " + path);
        return path;
    };
    auto takeJobs = [&] {
        for (const Entry& entry : ListEntries(installation.Lead1()))
            DeleteFileA((installation.Lead1() + "\\" + entry.Name).c_str());
    };
    // Median microseconds of one step; prepare runs untimed before each.
    auto time = [&](const std::function<void()>& step, const std::function<void()>& prepare = nullptr) {
        std::vector<double> samples;
        for (long i = 0; i < count; ++i) {
            if (prepare)
                prepare();
            const double start = Seconds();
            step();
            samples.push_back(Seconds() - start);
            if ((i + 1) % 100 == 0)
                takeJobs();
        }
        takeJobs();
        return Median(samples) * 1e6;
    };

    std::string path;
    const std::string printerKey = PrinterKeyPath(1);
    struct Row {
        const char* Name;
        double Us;
    };
    std::vector<Row> rows;
    rows.push_back({"WMCopyData, the whole notice in-process",
        time(
            [&] {
                COPYDATASTRUCT notice{1000, static_cast<DWORD>(path.size() + 1), &path[0]};
                TMessage message{WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice), 0};
                form.WMCopyData(message);
            },
            [&] { path = job(); })});
    rows.push_back({"WriteLog: the log line opened, appended, closed", time([&] { form.WriteLog("Got " + path); })});
    rows.push_back({"GetLocalTime and the stamp formatted", time([&] {
                        SYSTEMTIME now;
                        GetLocalTime(&now);
                        std::string stamp = Format("%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
                        AppendFormat(stamp, " Session=%d, Counter=%d", 1, static_cast<int>(serial));
                    })});
    rows.push_back({"StaticText1: the stamp text (a static)",
        time([&] { form.StaticText1.SetText(Format("14:03:07 Session=1, Counter=%ld", serial++)); })});
    rows.push_back({"StaticText2: the path text (a read-only edit field)",
        time([&] { form.StaticText2.SetText(Format("%s\\p%07ld.tmp", installation.Jobs().c_str(), serial++)); })});
    rows.push_back({"TIniFile: the profile read of the job file",
        time([&] { TIniFile(path).ReadString("Device", "DeviceName", ""); }, [&] { path = job(); })});
    rows.push_back({"IsWindows64, asked on every routing", time([] { IsWindows64(); })});
    rows.push_back({"TRegistry: the printer key opened, \"Todo\" read, closed", time([&] {
                        TRegistry registry(PrinterKeyAccess(KEY_READ));
                        registry.SetRootKey(HKEY_LOCAL_MACHINE);
                        if (registry.OpenKeyReadOnly(printerKey)) {
                            registry.ReadString("Todo");
                            registry.CloseKey();
                        }
                    })});
    rows.push_back({"the same with one RegQueryValueExA, as (b) does it", time([&] {
                        HKEY key = nullptr;
                        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, printerKey.c_str(), 0, PrinterKeyAccess(KEY_READ), &key)
                            == ERROR_SUCCESS) {
                            char value[256];
                            DWORD size = sizeof value;
                            RegQueryValueExA(key, "Todo", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
                            RegCloseKey(key);
                        }
                    })});
    rows.push_back({"AnsiSameText: the action against \"Ask user\" and \"SealQueue\"", time([] {
                        const std::string action = "SealQueue";
                        if (!AnsiSameText(action, "Ask user"))
                            AnsiSameText(action, "SealQueue");
                    })});
    rows.push_back({"DirectoryExists: the lead-folder test", time([&] { DirectoryExists(installation.Lead1()); })});
    long moved = 0;
    rows.push_back({"MoveFileExA: the move",
        time(
            [&] {
                MoveFileExA(
                    path.c_str(), (installation.Lead1() + "\\" + JobFileName(moved++)).c_str(), MOVEFILE_WRITE_THROUGH);
            },
            [&] { path = job(); })});
    rows.push_back({"StatusBar1: the status text", time([&] { form.StatusBar1.SetSimpleText("OUT = " + path); })});

    std::printf("### Where the time of a notice goes\n\n");
    std::printf("The steps of one notice timed one by one in the bench's own process with the program's code\n"
                "(median of %ld, us); the round trip between processes and the window's message loop come on\n"
                "top of the whole.\n\n",
        count);
    std::printf("| Step | us |\n|---|---:|\n");
    double steps = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        std::printf("| %s | %.1f |\n", rows[i].Name, rows[i].Us);
        if (i > 0 && std::strncmp(rows[i].Name, "the same", 8) != 0)
            steps += rows[i].Us;
    }
    std::printf("| the steps of the program added up (without the row of (b)) | %.1f |\n\n", steps);
    std::fflush(stdout);
    application.DestroyForms();
    MainForm = nullptr;
    Application = nullptr;
}

// Runs every job through its own process, `parallel` at a time; the seconds it took.
double RunBatch(const std::string& program, const std::vector<std::string>& jobs, size_t parallel)
{
    std::vector<std::unique_ptr<Process>> running;
    size_t next = 0;
    const double start = Seconds();
    while (next < jobs.size() || !running.empty()) {
        while (running.size() < parallel && next < jobs.size()) {
            running.push_back(std::make_unique<Process>());
            Start(*running.back(), program, Quoted(jobs[next++]));
        }
        std::vector<HANDLE> handles;
        for (const auto& process : running)
            handles.push_back(process->Handle());
        const DWORD signalled
            = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, 60000);
        if (signalled >= WAIT_OBJECT_0 + handles.size())
            Fail(program + " did not end in time");
        auto& ended = running[signalled - WAIT_OBJECT_0];
        if (ended->ExitCode() != 0)
            Fail(program + " ended with " + std::to_string(ended->ExitCode()));
        running.erase(running.begin() + (signalled - WAIT_OBJECT_0));
    }
    return Seconds() - start;
}

void CommandLineTable(long count)
{
    Installation installation;
    auto makeJobs = [&] {
        EmptyFolder(installation.Jobs());
        EmptyFolder(installation.Lead1());
        std::vector<std::string> jobs;
        for (long i = 0; i < count; ++i) {
            jobs.push_back(Format("%s\\n%07ld.tmp", installation.Jobs().c_str(), i));
            if (!WriteJob(jobs.back(), 1))
                Fail("cannot write " + jobs.back());
        }
        return jobs;
    };

    // In rounds, each program's batch right after the other's, so that both see the same moments
    // of a shared machine.
    constexpr size_t kRound = 20;
    std::printf("### Command-line mode\n\n%ld jobs, one vimager.exe process each (spooler route), against starting\n"
                "vbench_nothing.exe, a program of ours that ends at once, with the same arguments; in rounds of\n"
                "%zu jobs, the one program's batch right after the other's. Default set-up: no \"VELTLOGD\", so the\n"
                "spooler folder would come from the common data folder; the other sets \"VELTLOGD\".\n\n"
                "| Set-up | Processes at a time | vimager.exe jobs/s | do-nothing starts/s | ratio of times |\n"
                "|---|---:|---:|---:|---:|\n",
        count, kRound);
    const std::string logBase = installation.Root() + "\\logs";
    for (const char* setup : {"default", "VELTLOGD"}) {
        // The programs started from here inherit it.
        SetEnvironmentVariableA("VELTLOGD", setup[0] == 'd' ? nullptr : logBase.c_str());
        for (size_t parallel : {1u, 4u}) {
            const std::vector<std::string> jobs = makeJobs();
            double nothing = 0;
            double program = 0;
            for (size_t first = 0; first < jobs.size(); first += kRound) {
                const std::vector<std::string> round(
                    jobs.begin() + static_cast<std::ptrdiff_t>(first),
                    jobs.begin() + static_cast<std::ptrdiff_t>(std::min(jobs.size(), first + kRound)));
                nothing += RunBatch("vbench_nothing.exe", round, parallel);
                program += RunBatch("vimager.exe", round, parallel);
            }
            if (CountEntries(installation.Lead1()) != static_cast<size_t>(count)
                || CountEntries(installation.Jobs()) != 0)
                Fail("command-line jobs were not all moved");
            std::printf("| %s | %zu | %.1f | %.1f | %.2f |\n", setup, parallel, count / program, count / nothing,
                program / nothing);
            std::fflush(stdout);
        }
    }
    std::printf("\n");
}

// The search as it was: one failed CreateFileA per taken name.
std::string ProbeJobFileName(const std::string& folder)
{
    for (long long number = 0; number <= 9999999999LL; ++number) {
        const std::string name = folder + "\\" + JobFileName(number);
        UniqueFile file(
            CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return name;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    return std::string();
}

// backlog: a folder that may hold, for a size N, a folder named N with the N waiting jobs
// (made outside Wine, where creating 50,000 names does not cost a scan of the folder each).
void ReserveTable(const std::vector<long>& sizes, const std::string& backlog)
{
    Installation installation;
    const std::string job = installation.Jobs() + "\\n0000000.tmp";
    const DWORD kMove = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;

    // One reservation and move into the folder; the folder is as before afterwards.
    auto measure = [&](const std::string& lead, long size, long repeats, const std::function<std::string()>& reserve) {
        const std::string expected = lead + "\\" + JobFileName(size);
        std::vector<double> samples;
        for (long i = 0; i < repeats; ++i) {
            if (!WriteJob(job, 1))
                Fail("cannot write " + job);
            const double start = Seconds();
            const std::string name = reserve();
            // "-": the program's hand-off (in-process or a process of it) has named and moved the job itself.
            const bool byProcess = name == "-";
            const bool moved = byProcess || (!name.empty() && MoveFileExA(job.c_str(), name.c_str(), kMove));
            const double took = Seconds() - start;
            if (!moved || (byProcess ? !PathExists(expected) || PathExists(job) : name != expected))
                Fail("the job went to " + name + " instead of " + expected);
            samples.push_back(took);
            DeleteFileA(expected.c_str());
            DeleteFileA(job.c_str());
        }
        return Median(samples);
    };

    std::printf("### Name reservation at scale\n\n");
    std::printf("A lead folder already holding N waiting jobs job0000000000.log ... (N-1): the cost of one\n"
                "command-line job's reservation and move (median ms, x: times the empty folder's). Floor:\n"
                "CreateFileA CREATE_NEW of the free name, known in advance, and the move. Probe: the search as\n"
                "it was before, one failed CreateFileA per taken name. HandOffJob: the program's search and\n"
                "rename without replace, no placeholder, in-process. vimager.exe: a whole command-line job,\n"
                "one process.\n\n");
    std::printf("| Waiting jobs | floor ms | x | probe (before) ms | x | HandOffJob ms | x | "
                "vimager.exe job ms | x |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    long filled = 0;
    double empty[4] = {0, 0, 0, 0};
    for (long size : sizes) {
        std::string lead = backlog + "\\" + std::to_string(size);
        if (backlog.empty() || !PathExists(lead) || CountEntries(lead) != static_cast<size_t>(size)) {
            lead = installation.Lead1();
            for (; filled < size; ++filled)
                if (!WriteJob(lead + "\\" + JobFileName(filled), 1))
                    Fail("cannot fill the lead folder");
            if (filled != size)
                Fail("lead folder sizes must grow");
        }
        installation.SetLead1(lead);
        const long repeats = 21;
        double cost[4];
        cost[0] = measure(lead, size, repeats, [&] {
            const std::string name = lead + "\\" + JobFileName(size);
            UniqueFile file(
                CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            return file ? name : std::string();
        });
        cost[1] = measure(lead, size,
            size >= 50000       ? 3
                : size >= 10000 ? 5
                                : repeats,
            [&] { return ProbeJobFileName(lead); });
        cost[2] = measure(lead, size, repeats, [&] {
            return HandOffJob(job, lead, std::string()).Error == ERROR_SUCCESS ? std::string("-") : std::string();
        });
        cost[3] = measure(lead, size, 5, [&] {
            Process vimager;
            Start(vimager, "vimager.exe", Quoted(job));
            if (!vimager.WaitForExit(60000) || vimager.ExitCode() != 0)
                Fail("vimager.exe did not route the command-line job");
            return std::string("-");
        });
        if (size == sizes.front())
            std::copy(cost, cost + 4, empty);
        std::printf("| %ld | %.3f | %.1f | %.3f | %.1f | %.3f | %.1f | %.1f | %.2f |\n", size, cost[0] * 1e3,
            cost[0] / empty[0], cost[1] * 1e3, cost[1] / empty[1], cost[2] * 1e3, cost[2] / empty[2], cost[3] * 1e3,
            cost[3] / empty[3]);
        std::fflush(stdout);
    }
    installation.SetLead1(installation.Lead1());
    std::printf("\n");
}

void StartupTable(long starts, long notices)
{
    Installation installation;
    std::vector<double> found, tray, floorFound;
    double firstFound = -1, firstTray = -1;
    for (long i = 0; i < starts; ++i) {
        Process process;
        const double started = Seconds();
        Start(process, "vimager.exe");
        const StartWatch watch = WatchStart(process, started, true);
        Stop(process, watch.Window, true);
        if (watch.Found < 0 || watch.InTray < 0)
            Fail("vimager.exe did not reach the tray");
        if (i == 0) {
            firstFound = watch.Found;
            firstTray = watch.InTray;
        }
        found.push_back(watch.Found);
        tray.push_back(watch.InTray);

        Process floor;
        const double floorStarted = Seconds();
        Start(floor, "vbench_floor.exe", Quoted(installation.Lead1()));
        const StartWatch floorWatch = WatchStart(floor, floorStarted, false);
        Stop(floor, floorWatch.Window, false);
        if (floorWatch.Found < 0)
            Fail("no window of vbench_floor.exe");
        floorFound.push_back(floorWatch.Found);
    }

    Process process;
    Start(process, "vimager.exe");
    const StartWatch watch = WatchStart(process, Seconds(), true);
    if (!watch.Window || watch.InTray < 0)
        Fail("vimager.exe did not reach the tray");
    Sleep(1000);
    const SIZE_T atStart = PrivateBytes(process.Id());
    const std::vector<std::string> take{installation.Lead1()};
    SendNotices(installation.Jobs(), {process.Id()}, notices, take);
    Sleep(1000);
    const SIZE_T afterOne = PrivateBytes(process.Id());
    SendNotices(installation.Jobs(), {process.Id()}, notices, take);
    Sleep(1000);
    const SIZE_T afterTwo = PrivateBytes(process.Id());
    Stop(process, watch.Window, true);

    WIN32_FILE_ATTRIBUTE_DATA exe{};
    GetFileAttributesExA((BinFolder() + "\\vimager.exe").c_str(), GetFileExInfoStandard, &exe);

    std::printf("### Start-up and footprint\n\n");
    std::printf("From CreateProcess until the main window can be found, and until it has been shown and hidden\n"
                "in the tray (median of %ld starts, first start in brackets). Private bytes: PrivateUsage of\n"
                "GetProcessMemoryInfo, read from this process; Wine leaves it 0 and gives the same commit charge\n"
                "as PagefileUsage. The notices are sent with the spooler taking the jobs, as above.\n\n",
        starts);
    std::printf("| Measure | value |\n|---|---:|\n");
    std::printf("| vimager.exe: window found, ms | %s (%s) |\n", StartLine(Median(found)).c_str(),
        StartLine(firstFound).c_str());
    std::printf(
        "| vimager.exe: in the tray, ms | %s (%s) |\n", StartLine(Median(tray)).c_str(), StartLine(firstTray).c_str());
    std::printf(
        "| vbench_floor.exe (a bare window of ours): window found, ms | %s |\n", StartLine(Median(floorFound)).c_str());
    std::printf("| private bytes after start, KB | %.0f |\n", atStart / 1024.0);
    std::printf("| private bytes after %ld notices, KB | %.0f (%+.0f) |\n", notices, afterOne / 1024.0,
        (static_cast<double>(afterOne) - static_cast<double>(atStart)) / 1024.0);
    std::printf("| private bytes after %ld more, KB | %.0f (%+.0f) |\n", notices, afterTwo / 1024.0,
        (static_cast<double>(afterTwo) - static_cast<double>(afterOne)) / 1024.0);
    std::printf("| size of vimager.exe, bytes | %lu |\n\n", static_cast<unsigned long>(exe.nFileSizeLow));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    const Options options(argc, argv);
    if (options.Has("--help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::string only = "," + options.Text("--only", "notices,profile,cmdline,reserve,startup") + ",";
    auto wanted = [&](const char* table) { return only.find("," + std::string(table) + ",") != std::string::npos; };
    try {
        if (wanted("notices"))
            NoticeTable(options.Number("--notices", 5000), std::max(1L, options.Number("--rounds", 3)));
        if (wanted("profile"))
            ProfileTable(options.Number("--profile", 2000));
        if (wanted("cmdline"))
            CommandLineTable(options.Number("--cmdline", 200));
        if (wanted("reserve"))
            ReserveTable(options.Numbers("--sizes", {0, 1000, 10000, 50000}), options.Text("--backlog", ""));
        if (wanted("startup"))
            StartupTable(options.Number("--starts", 10), options.Number("--footprint", 10000));
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "vbench: %s\n", e.what());
        return 1;
    }
    return 0;
}
