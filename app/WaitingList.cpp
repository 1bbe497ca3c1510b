#include "app/WaitingList.h"

#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// One unsigned decimal field up to the next tab; false when it is empty, not all digits or too big.
bool ReadNumber(const std::string& line, size_t& at, uint64_t limit, uint64_t& value)
{
    const size_t tab = line.find('\t', at);
    if (tab == std::string::npos || tab == at || tab - at > 20)
        return false;
    value = 0;
    for (size_t i = at; i < tab; ++i) {
        const char c = line[i];
        if (c < '0' || c > '9')
            return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (digit > limit || value > (limit - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    at = tab + 1;
    return true;
}

} // namespace

std::string JobPathKey(const std::string& path)
{
    std::string key(path);
    for (char& c : key)
        c = FoldAscii(c);
    return key;
}

std::string JournalLine(const WaitingJob& job)
{
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, "%llu\t%llu\t%ld\t%llu\t%lu\t%d\t%lu\t",
                  static_cast<unsigned long long>(job.Size), static_cast<unsigned long long>(job.WriteTime),
                  job.Printer > 0 ? job.Printer : 0L, static_cast<unsigned long long>(job.Since),
                  static_cast<unsigned long>(job.LastError), job.Confirmed ? 1 : 0,
                  static_cast<unsigned long>(job.Failure));
    return numbers + job.Path;
}

bool ParseJournalLine(const std::string& line, WaitingJob& job)
{
    WaitingJob read;
    size_t at = 0;
    uint64_t printer = 0, error = 0, confirmed = 0, failure = 0;
    if (!ReadNumber(line, at, UINT64_MAX, read.Size) || !ReadNumber(line, at, UINT64_MAX, read.WriteTime)
        || !ReadNumber(line, at, INT32_MAX, printer) || !ReadNumber(line, at, UINT64_MAX, read.Since)
        || !ReadNumber(line, at, UINT32_MAX, error) || !ReadNumber(line, at, 1, confirmed)
        || !ReadNumber(line, at, UINT32_MAX, failure))
        return false;
    read.Path = line.substr(at);
    if (read.Path.empty())
        return false;
    for (char c : read.Path)
        if (static_cast<unsigned char>(c) < 32)
            return false;
    read.Printer = static_cast<long>(printer);
    read.LastError = static_cast<uint32_t>(error);
    read.Confirmed = confirmed == 1;
    read.Failure = static_cast<uint32_t>(failure);
    job = std::move(read);
    return true;
}

bool SameJobPath(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

size_t WaitingList::IndexOf(const std::string& path) const
{
    for (size_t i = 0; i < jobs_.size(); ++i)
        if (SameJobPath(jobs_[i].Path, path))
            return i;
    return jobs_.size();
}

WaitingList::Joined WaitingList::Join(const WaitingJob& job)
{
    const size_t index = IndexOf(job.Path);
    if (index < jobs_.size()) {
        WaitingJob& waiting = jobs_[index];
        waiting.Size = job.Size;
        waiting.WriteTime = job.WriteTime;
        waiting.Printer = job.Printer;
        waiting.LastError = job.LastError;
        waiting.Failure = job.Failure;
        waiting.Confirmed = waiting.Confirmed || job.Confirmed;
        return Joined::Updated;
    }
    if (jobs_.size() >= Capacity)
        return Joined::Full;
    jobs_.push_back(job);
    return Joined::Added;
}

bool WaitingList::Remove(const std::string& path)
{
    const size_t index = IndexOf(path);
    if (index == jobs_.size())
        return false;
    jobs_.erase(jobs_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

const WaitingJob* WaitingList::Find(const std::string& path) const
{
    const size_t index = IndexOf(path);
    return index < jobs_.size() ? &jobs_[index] : nullptr;
}

std::string WaitingList::JournalText() const
{
    std::string text;
    for (const WaitingJob& job : jobs_)
        text += JournalLine(job) + "\r\n";
    return text;
}

size_t WaitingList::LoadJournalText(const std::string& text)
{
    jobs_.clear();
    std::set<std::string> seen;
    size_t skipped = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        WaitingJob job;
        if (!ParseJournalLine(line, job) || jobs_.size() >= Capacity) {
            ++skipped;
            continue;
        }
        // A repeated path is no damage: the journal is only ever written whole from one list.
        if (seen.insert(JobPathKey(job.Path)).second)
            jobs_.push_back(std::move(job));
    }
    return skipped;
}

std::string WaitingCountText(size_t count)
{
    if (count == 0)
        return std::string();
    return std::to_string(count) + (count == 1 ? " job waiting" : " jobs waiting");
}
