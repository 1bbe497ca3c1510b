#pragma once
// The jobs that could not be handed on and wait to be routed again, and their journal: one line a
// job, read back at the next start. No Windows calls here: the journal's text comes from outside,
// so it is tested directly and can be built natively for fuzzing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct WaitingJob {
    std::string Path;
    // Size and last-write time (FILETIME as one number) when the job failed: the same file again.
    uint64_t Size = 0;
    uint64_t WriteTime = 0;
    // From the job's printer name; 0 when it could not be read.
    long Printer = 0;
    // The first failure (FILETIME, UTC) and the Windows error code of the last one (0: none had one).
    uint64_t Since = 0;
    uint32_t LastError = 0;
    // "Call SealQueue?" was answered OK: a retry does not ask again.
    bool Confirmed = false;
    // What kind of failure the last one was (routing's own numbering), for a failure without a code.
    uint32_t Failure = 0;
};

// "size<TAB>write time<TAB>printer<TAB>since<TAB>error<TAB>confirmed<TAB>failure<TAB>path". No file
// name holds a tab or a line break, and the path comes last, whole.
std::string JournalLine(const WaitingJob& job);
// False for a line that is not of that form (a path with a control character, a number out of range).
bool ParseJournalLine(const std::string& line, WaitingJob& job);

// Paths are the same job when equal without regard to ASCII case, as file names are.
bool SameJobPath(const std::string& a, const std::string& b);
// The path with ASCII letters in lower case: equal for paths of the same job.
std::string JobPathKey(const std::string& path);

// The jobs of one list, each path at most once, at most Capacity of them.
class WaitingList {
public:
    static constexpr size_t Capacity = 10000;

    enum class Joined { Added, Updated, Full };
    // A path that waits already keeps its first failure's time and takes the new error, size and
    // time (its file was looked at again); a confirmation is kept.
    Joined Join(const WaitingJob& job);
    bool Remove(const std::string& path);
    const WaitingJob* Find(const std::string& path) const;
    const std::vector<WaitingJob>& Jobs() const { return jobs_; }
    size_t Count() const { return jobs_.size(); }
    bool Empty() const { return jobs_.empty(); }

    // The journal's whole text, CR LF after every line.
    std::string JournalText() const;
    // Replaces the list with the jobs of a journal's text; the number of lines that were skipped
    // (unreadable, or past the capacity). A repeated path keeps its first line.
    size_t LoadJournalText(const std::string& text);

private:
    size_t IndexOf(const std::string& path) const;

    std::vector<WaitingJob> jobs_;
};

// "1 job waiting", "2 jobs waiting"; empty when none waits.
std::string WaitingCountText(size_t count);
