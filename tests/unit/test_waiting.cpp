// The waiting jobs: their journal on disk, knowing a job's file again, retries that never route
// one job twice, and the watch on a lead folder that does not exist yet.
#include "AppFixture.h"
#include "support/TestSupport.h"

#include "app/JobRouting.h"
#include "app/WaitingForm.h"
#include "app/WaitingJobs.h"
#include "toolkit/SysUtils.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

class WaitingListTest : public AppTest {
protected:
    std::string Journal() const { return root_ / "appdata\\VELT Korvel\\VELT Imager Support\\waiting.txt"; }
    // A job file in the folder, and the entry it would make waiting with that error.
    WaitingJob Job(const std::string& name, const std::string& content = "[Device]\r\nDeviceName=VELT Imager 1\r\n",
                   DWORD error = ERROR_PATH_NOT_FOUND, long printer = 1)
    {
        WriteFileBytes(root_ / name, content);
        WaitingJob job;
        EXPECT_TRUE(WaitingJobNow(root_ / name, printer, error, false, job)) << name;
        return job;
    }
    WaitingJobs Jobs()
    {
        WaitingJobs jobs([this](const std::string& line) { log_.push_back(line); });
        jobs.Load(Journal());
        return jobs;
    }
    // A router that counts its calls and answers as told.
    WaitingJobs::Router Answer(RoutingOutcome result)
    {
        return [this, result](const WaitingJob& job) {
            routed_.push_back(job.Path);
            return result;
        };
    }

    TempFolder root_;
    std::vector<std::string> log_;
    std::vector<std::string> routed_;
};

} // namespace

TEST_F(WaitingListTest, JournalRoundTripsWholeThroughARenameAndLeavesNothingElse)
{
    WaitingList list;
    WaitingJob first = Job("first job.tmp");
    first.Confirmed = true;
    first.Failure = static_cast<uint32_t>(RoutingFailure::Folder);
    WaitingJob odd = Job("caf\xE9 #1;=%.tmp", std::string(70000, 'p'), ERROR_DISK_FULL);
    odd.Printer = 2;
    ASSERT_EQ(list.Join(first), WaitingList::Joined::Added);
    ASSERT_EQ(list.Join(odd), WaitingList::Joined::Added);
    // The folders of the journal are made with it.
    ASSERT_TRUE(WriteJournal(Journal(), list));
    EXPECT_EQ(ListFolder(ExtractFilePath(Journal())), std::vector<std::string>{"waiting.txt"});

    WaitingList read;
    size_t skipped = 7;
    ASSERT_TRUE(ReadJournal(Journal(), read, skipped));
    EXPECT_EQ(skipped, 0u);
    ASSERT_EQ(read.Count(), 2u);
    for (const WaitingJob* job : {&first, &odd}) {
        const WaitingJob* back = read.Find(job->Path);
        ASSERT_NE(back, nullptr) << job->Path;
        EXPECT_EQ(back->Size, job->Size);
        EXPECT_EQ(back->WriteTime, job->WriteTime);
        EXPECT_EQ(back->Printer, job->Printer);
        EXPECT_EQ(back->Since, job->Since);
        EXPECT_EQ(back->LastError, job->LastError);
        EXPECT_EQ(back->Confirmed, job->Confirmed);
        EXPECT_EQ(back->Failure, job->Failure);
    }
    EXPECT_EQ(read.Find(odd.Path)->Size, 70000u);

    // Rewritten with one job fewer: the old journal is replaced, not added to.
    read.Remove(first.Path);
    ASSERT_TRUE(WriteJournal(Journal(), read));
    ASSERT_TRUE(ReadJournal(Journal(), list, skipped));
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_EQ(ListFolder(ExtractFilePath(Journal())).size(), 1u);

    // A job that joins before the journal is read (a notice while the shell looks for the folder)
    // is kept beside the journal's, and both are written.
    WaitingJobs early([this](const std::string& line) { log_.push_back(line); });
    ASSERT_TRUE(early.Join(first));
    early.Load(Journal());
    EXPECT_EQ(early.List().Count(), 2u);
    ASSERT_TRUE(ReadJournal(Journal(), list, skipped));
    EXPECT_EQ(list.Count(), 2u);
}

TEST_F(WaitingListTest, GarbageLinesAreSkippedAndSaidOnceMissingOrUnreadableIsEmpty)
{
    const WaitingJob good = Job("good.tmp");
    const WaitingJob other = Job("other.tmp");
    const std::string text = JournalLine(good) + "\r\n" +
                             "garbage\r\n" +
                             "1\t2\t3\t4\t5\t0\r\n" +                               // no path
                             "1\t2\t3\t4\t5\t2\tC:\\x\r\n" +                         // flag not 0 or 1
                             "-1\t2\t3\t4\t5\t0\tC:\\x\r\n" +                        // negative
                             "1\t2\t3\t4\t99999999999\t0\tC:\\x\r\n" +               // error past 32 bits
                             "99999999999999999999\t2\t3\t4\t5\t0\tC:\\x\r\n" +      // past 64 bits
                             "1\t2\t3\t4\t5\t0\tC:\\a\tb\r\n" +                      // a tab in the path
                             std::string("\0\xFF\xFE", 3) + "\r\n\r\n" +
                             JournalLine(other) + "\n" +                             // a bare LF
                             JournalLine(good).substr(0, 9);                         // cut short
    WaitingList list;
    list.Join(good);
    ASSERT_TRUE(WriteJournal(Journal(), list));
    WriteFileBytes(Journal(), text);

    WaitingJobs jobs = Jobs();
    ASSERT_EQ(jobs.List().Count(), 2u);
    EXPECT_NE(jobs.List().Find(good.Path), nullptr);
    EXPECT_NE(jobs.List().Find(other.Path), nullptr);
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_EQ(log_[0], "Waiting jobs: 9 unreadable lines of " + Journal() + " skipped");

    // Missing: an empty list, nothing said.
    DeleteFileA(Journal().c_str());
    log_.clear();
    WaitingJobs missing = Jobs();
    EXPECT_TRUE(missing.List().Empty());
    EXPECT_TRUE(log_.empty());

    // A folder where the journal should be: an empty list, said once, and no crash on writing.
    CreateDirectoryA(Journal().c_str(), nullptr);
    WaitingJobs unreadable = Jobs();
    EXPECT_TRUE(unreadable.List().Empty());
    EXPECT_EQ(log_, std::vector<std::string>{"Waiting jobs: could not read " + Journal()});
    EXPECT_TRUE(unreadable.Join(good));
    EXPECT_EQ(unreadable.List().Count(), 1u);
}

TEST_F(WaitingListTest, OnePathWaitsOnceAndTheListHoldsTenThousand)
{
    WaitingList list;
    WaitingJob job = Job("job.tmp");
    job.Since = 100;
    job.Confirmed = true;
    ASSERT_EQ(list.Join(job), WaitingList::Joined::Added);
    WaitingJob again = job;
    for (char& c : again.Path)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    again.Since = 200;
    again.LastError = ERROR_ACCESS_DENIED;
    again.Confirmed = false;
    EXPECT_EQ(list.Join(again), WaitingList::Joined::Updated);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Jobs()[0].Since, 100u);
    EXPECT_EQ(list.Jobs()[0].LastError, static_cast<uint32_t>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(list.Jobs()[0].Confirmed);

    for (size_t i = 1; i < WaitingList::Capacity; ++i) {
        WaitingJob filler = job;
        filler.Path = "C:\\jobs\\" + std::to_string(i) + ".tmp";
        ASSERT_EQ(list.Join(filler), WaitingList::Joined::Added) << i;
    }
    WaitingJob past = job;
    past.Path = "C:\\jobs\\past.tmp";
    EXPECT_EQ(list.Join(past), WaitingList::Joined::Full);
    EXPECT_EQ(list.Join(again), WaitingList::Joined::Updated);
    EXPECT_EQ(list.Count(), WaitingList::Capacity);

    // A journal of more (written by hand) loads as many, and says the rest were skipped.
    const std::string text = list.JournalText() + JournalLine(past) + "\r\n";
    WaitingList read;
    EXPECT_EQ(read.LoadJournalText(text), 1u);
    EXPECT_EQ(read.Count(), WaitingList::Capacity);
    EXPECT_EQ(read.Find(past.Path), nullptr);
    // As the waiting jobs window lists a job: whole, with the system's own text for its error.
    WaitingJob shown = job;
    shown.Path = "C:\\" + std::string(300, 'p') + "\\job.tmp";
    shown.Printer = 0;
    shown.LastError = ERROR_PATH_NOT_FOUND;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    shown.Since = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    SYSTEMTIME local;
    GetLocalTime(&local);
    const WaitingJobText described = DescribeWaitingJob(shown);
    EXPECT_EQ(described.Path, shown.Path);
    EXPECT_EQ(described.Printer, "unknown");
    EXPECT_EQ(described.Since.substr(0, 10), Format("%04d-%02d-%02d", local.wYear, local.wMonth, local.wDay));
    EXPECT_EQ(described.Error, "3: " + SystemErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(SystemErrorText(ERROR_PATH_NOT_FOUND).empty());
    EXPECT_EQ(SystemErrorText(ERROR_PATH_NOT_FOUND).find_first_of("\r\n"), std::string::npos);
    // Without a code, the kind of failure in plain words.
    shown.Printer = 2;
    shown.LastError = 0;
    shown.Failure = static_cast<uint32_t>(RoutingFailure::Action);
    EXPECT_EQ(DescribeWaitingJob(shown).Printer, "VELT Imager 2");
    EXPECT_EQ(DescribeWaitingJob(shown).Error, "its printer's action is unknown");
    EXPECT_EQ(WaitingCountText(0), "");
    EXPECT_EQ(WaitingCountText(1), "1 job waiting");
    EXPECT_EQ(WaitingCountText(2), "2 jobs waiting");
}

TEST_F(WaitingListTest, ARetryRoutesOnlyTheSameFileAndNeverOneJobTwice)
{
    WaitingJobs jobs = Jobs();
    const WaitingJob same = Job("same.tmp");
    const WaitingJob replaced = Job("replaced.tmp");
    const WaitingJob gone = Job("gone.tmp");
    for (const WaitingJob* job : {&same, &replaced, &gone})
        ASSERT_TRUE(jobs.Join(*job));
    WriteFileBytes(replaced.Path, "[Device]\r\nDeviceName=VELT Imager 1\r\n[Other]\r\n");
    DeleteFileA(gone.Path.c_str());

    RoutingOutcome failed;
    failed.Error = ERROR_ACCESS_DENIED;
    failed.Confirmed = true;
    jobs.RetryAll(Answer(failed));
    EXPECT_EQ(routed_, std::vector<std::string>{same.Path});
    EXPECT_EQ(log_, (std::vector<std::string>{"Gone from the waiting jobs, its file is another now: " + replaced.Path,
                                              "Gone from the waiting jobs, its file is no longer there: " + gone.Path}));
    // Failing again is not logged again; the list keeps the last error, in its journal too.
    jobs.RetryAll(Answer(failed));
    EXPECT_EQ(log_.size(), 2u);
    WaitingList journal;
    size_t skipped = 0;
    ASSERT_TRUE(ReadJournal(Journal(), journal, skipped));
    ASSERT_EQ(journal.Count(), 1u);
    EXPECT_EQ(journal.Jobs()[0].LastError, static_cast<uint32_t>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(journal.Jobs()[0].Confirmed);
    EXPECT_TRUE(PathExists(replaced.Path));

    // A retry that starts another pass meanwhile (a question's message loop runs the timer):
    // the job under way is not routed by the inner pass.
    routed_.clear();
    RoutingOutcome done;
    done.HandedOn = true;
    done.Status = "OUT = somewhere";
    int inner = 0;
    jobs.RetryAll([&](const WaitingJob& job) {
        routed_.push_back(job.Path);
        if (inner++ == 0)
            jobs.RetryAll(Answer(done));
        return done;
    });
    EXPECT_EQ(routed_, std::vector<std::string>{same.Path});
    EXPECT_TRUE(jobs.List().Empty());
    EXPECT_EQ(jobs.TakeHandedOnCount(), 1u);
    EXPECT_EQ(log_.back(), "Handed on after waiting: " + same.Path + ", OUT = somewhere");
    ASSERT_TRUE(ReadJournal(Journal(), journal, skipped));
    EXPECT_TRUE(journal.Empty());

    // Dismissed: stays at its source, leaves the list with a line.
    ASSERT_TRUE(jobs.Join(Job("dismissed.tmp")));
    EXPECT_TRUE(jobs.Dismiss(root_ / "dismissed.tmp"));
    EXPECT_FALSE(jobs.Dismiss(root_ / "dismissed.tmp"));
    EXPECT_TRUE(PathExists(root_ / "dismissed.tmp"));
    EXPECT_EQ(log_.back(), "Dismissed from the waiting jobs, left where it is: " + root_ / "dismissed.tmp");
    // A file that is not there cannot wait.
    EXPECT_FALSE(jobs.Join(gone));
}

TEST_F(WaitingListTest, AMissingLeadFolderIsWatchedThroughItsNearestParent)
{
    const std::string lead = root_ / "a\\b\\lead";
    FolderWatch watch;
    watch.Watch(lead);
    EXPECT_EQ(watch.Watched(), root_.Path());
    EXPECT_FALSE(watch.Changed());
    ASSERT_TRUE(CreateDirectoryA((root_ / "a").c_str(), nullptr));
    EXPECT_TRUE(PumpUntil([&] { return watch.Changed(); }, 10000));
    EXPECT_EQ(watch.Watched(), root_ / "a");
    ASSERT_TRUE(ForceDirectories(lead));
    EXPECT_TRUE(PumpUntil([&] { return watch.Changed(); }, 10000));
    EXPECT_EQ(watch.Watched(), lead);
    // In the folder itself: a job taken away by the spooler.
    WriteFileBytes(lead + "\\job0000000000.log", "x");
    PumpUntil([&] { return watch.Changed(); }, 10000);
    DeleteFileA((lead + "\\job0000000000.log").c_str());
    EXPECT_TRUE(PumpUntil([&] { return watch.Changed(); }, 10000));

    // The payload by which a command-line instance passes its job over.
    WaitingJob job = Job("passed.tmp");
    std::string line = JournalLine(job);
    COPYDATASTRUCT notice{JobPassOverKind, static_cast<DWORD>(line.size() + 1), &line[0]};
    WaitingJob read;
    ASSERT_TRUE(ReadPassedJob(notice, read));
    EXPECT_EQ(read.Path, job.Path);
    EXPECT_EQ(read.Size, job.Size);
    notice.dwData = 1000;
    EXPECT_FALSE(ReadPassedJob(notice, read));
}

TEST_F(WaitingListTest, TheWindowListsEachJobWholeAndRetriesOrDismissesTheSelected)
{
    WaitingJobs jobs = Jobs();
    CreateDirectoryA((root_ / std::string(80, 'd')).c_str(), nullptr);
    const WaitingJob longOne = Job(std::string(80, 'd') + "\\" + std::string(80, 'j') + ".tmp");
    const WaitingJob other = Job("other.tmp", "[Device]\r\nDeviceName=Printer\r\n", ERROR_SHARING_VIOLATION, 0);
    ASSERT_TRUE(jobs.Join(longOne));
    ASSERT_TRUE(jobs.Join(other));
    TWaitingForm* form = nullptr;
    app_->CreateForm(form);
    std::vector<std::string> retried;
    form->Jobs = &jobs.List();
    form->OnRetry = [&](const std::vector<std::string>& paths) { retried = paths; };
    form->OnDismiss = [&](const std::vector<std::string>& paths) {
        for (const std::string& path : paths)
            jobs.Dismiss(path);
        form->Refresh();
    };
    form->Show();
    PumpMessages();
    HWND list = form->ListView1.Handle();
    const auto cell = [&](int item, int column) {
        std::string text(4096, '\0');
        LVITEMA request{};
        request.iSubItem = column;
        request.pszText = &text[0];
        request.cchTextMax = static_cast<int>(text.size());
        text.resize(static_cast<size_t>(SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&request))));
        return text;
    };
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(form->Caption(), "Waiting jobs (2)");
    EXPECT_EQ(cell(0, 0), longOne.Path);
    EXPECT_EQ(cell(0, 1), "VELT Imager 1");
    EXPECT_EQ(cell(1, 3), "32: " + SystemErrorText(ERROR_SHARING_VIOLATION));
    // The first job is selected and shown whole below the list, however long its path.
    EXPECT_EQ(form->Memo1.Text().rfind(longOne.Path + "\r\nVELT Imager 1, waiting since ", 0), 0u) << form->Memo1.Text();
    EXPECT_NE(form->Memo1.Text().find("\r\nLast error: 3: "), std::string::npos);
    // The path column is as wide as the long path needs.
    SIZE extent{};
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc, longOne.Path.c_str(), static_cast<int>(longOne.Path.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    EXPECT_GE(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), extent.cx);

    // Larger, the list takes the room and Close keeps to the right edge.
    RECT before = WindowRect(list);
    SetWindowPos(form->Handle(), nullptr, 0, 0, 1000, 600, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
    EXPECT_GT(WindowRect(list).right - WindowRect(list).left, before.right - before.left + 200);
    EXPECT_EQ(WindowRect(form->Panel1.Handle()).right - WindowRect(form->Button3.Handle()).right, form->Scale(8));

    // The second selected: Retry acts on it alone; Dismiss takes it off, its file stays.
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(form->Memo1.Text().rfind(other.Path + "\r\nunknown, waiting since ", 0), 0u) << form->Memo1.Text();
    SendMessageA(form->Button1.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(retried, std::vector<std::string>{other.Path});
    SendMessageA(form->Button2.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(cell(0, 0), longOne.Path);
    EXPECT_TRUE(PathExists(other.Path));
    EXPECT_EQ(form->Caption(), "Waiting jobs (1)");
    form->Hide();
}
