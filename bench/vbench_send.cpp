// vbench_send: plays a busy printer side. Writes the job files, then sends one job notice for
// each to windows of class "TMainForm", one after another, and times every round trip.
#include "bench/BenchSupport.h"
#include "toolkit/SysUtils.h"

#include <algorithm>
#include <cstdio>

namespace {

const char kUsage[] = "Usage: vbench_send --jobs DIR [--count N] [--printer N] [--pid PID]... [--take LEAD]...\n"
                      "                   [--every K]\n"
                      "Writes N job files (default 5000) per receiver for \"VELT Imager <printer>\" into DIR, then\n"
                      "sends a job notice for each to the main window of every process PID given (else of the first\n"
                      "one found), in turns, so that every receiver sees the same moments of the machine; reports per\n"
                      "receiver jobs/s and the round trip of SendMessage: median, p99, max. With --take it plays the\n"
                      "spooler too: after every K turns (default 100) it empties each LEAD, outside the timed round\n"
                      "trips. Exit code 0 when every notice was answered with 1.\n";

// What the spooler does with waiting jobs: take them all away.
void TakeJobs(const std::string& lead)
{
    for (const Entry& entry : ListEntries(lead))
        if (!entry.Folder)
            DeleteFileA((lead + "\\" + entry.Name).c_str());
}

struct Target {
    DWORD Pid;
    HWND Window;
    std::vector<double> Samples;
    size_t Failed;
};

} // namespace

int main(int argc, char** argv)
{
    const Options options(argc, argv);
    const std::string jobs = options.Text("--jobs", std::string());
    const long count = options.Number("--count", 5000);
    const long printer = options.Number("--printer", 1);
    const std::vector<std::string> leads = options.Texts("--take");
    const long every = std::max(1L, options.Number("--every", 100));
    if (jobs.empty() || count <= 0 || options.Has("--help")) {
        std::fputs(kUsage, stderr);
        return 1;
    }

    std::vector<Target> targets;
    for (const std::string& pid : options.Texts("--pid")) {
        const DWORD id = static_cast<DWORD>(std::strtoul(pid.c_str(), nullptr, 10));
        targets.push_back({id, FindMainWindowOf(id), {}, 0});
    }
    if (targets.empty())
        targets.push_back({0, FindMainWindow(), {}, 0});
    for (const Target& target : targets)
        if (!target.Window) {
            std::fprintf(stderr, "vbench_send: no window of class TMainForm (process %lu)\n",
                static_cast<unsigned long>(target.Pid));
            return 2;
        }

    const size_t turns = static_cast<size_t>(count);
    std::vector<std::string> paths;
    paths.reserve(turns * targets.size());
    for (size_t i = 0; i < turns * targets.size(); ++i) {
        paths.push_back(Format("%s\\n%07lu.tmp", jobs.c_str(), static_cast<unsigned long>(i)));
        if (!WriteJob(paths.back(), static_cast<int>(printer))) {
            std::fprintf(stderr, "vbench_send: cannot write %s, error %lu\n", paths.back().c_str(),
                static_cast<unsigned long>(GetLastError()));
            return 3;
        }
    }

    for (Target& target : targets)
        target.Samples.reserve(turns);
    for (size_t turn = 0; turn < turns; ++turn) {
        // Each turn starts with another receiver, so that none always follows the spooler's turn.
        for (size_t k = 0; k < targets.size(); ++k) {
            const size_t t = (turn + k) % targets.size();
            std::string& path = paths[turn * targets.size() + t];
            COPYDATASTRUCT notice{1000, static_cast<DWORD>(path.size() + 1), &path[0]};
            const double before = Seconds();
            const LRESULT result = SendMessageA(targets[t].Window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice));
            targets[t].Samples.push_back(Seconds() - before);
            if (result != 1)
                ++targets[t].Failed;
        }
        if ((turn + 1) % static_cast<size_t>(every) == 0)
            for (const std::string& lead : leads)
                TakeJobs(lead);
    }

    // Jobs/s from the time spent in the round trips alone, without the spooler's turns.
    size_t failed = 0;
    for (const Target& target : targets) {
        const Summary s = Summarize(target.Samples);
        std::printf("process %lu: %ld notices in %.3f s of round trips: %.1f jobs/s; median %.1f us, p99 %.1f us, "
                    "max %.1f us; %zu not answered with 1\n",
            static_cast<unsigned long>(target.Pid), count, s.Total, static_cast<double>(count) / s.Total,
            s.Median * 1e6, s.P99 * 1e6, s.Max * 1e6, target.Failed);
        std::printf("RESULT pid=%lu notices=%ld failed=%zu seconds=%.6f mean_us=%.2f median_us=%.2f p99_us=%.2f "
                    "max_us=%.2f\n",
            static_cast<unsigned long>(target.Pid), count, target.Failed, s.Total, s.Mean * 1e6, s.Median * 1e6,
            s.P99 * 1e6, s.Max * 1e6);
        failed += target.Failed;
    }
    return failed ? 4 : 0;
}
