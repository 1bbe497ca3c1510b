// No job left behind, with the real program: jobs that cannot be handed on wait in the resident
// instance, also those of command-line instances, across a kill, and go on by themselves once
// their lead folder can be made; a waiting job's file replaced meanwhile is not handed on.
#include "e2e/E2eSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

class Waiting : public ResidentTest {
protected:
    void SetUp() override
    {
        installation_.SetPrinter(1, "SealQueue");
        // The lead folder cannot be made while a file stands where its parent would be (the
        // spooler not installed yet, a drive not there).
        blocked_ = installation_.Root() + "\\spool";
        lead_ = blocked_ + "\\lead";
        WriteFileBytes(blocked_, "not a folder");
        WriteFileBytes(installation_.InstallBase() + "\\xLead.xml",
                       "<SealQueue><Lead><TempVImg>" + lead_ + "</TempVImg></Lead></SealQueue>");
        Start();
    }

    std::string Write(const std::string& id)
    {
        const std::string path = installation_.Jobs() + "\\" + id + ".tmp";
        WriteFileBytes(path, JobText(id));
        sent_[id] = JobText(id);
        return path;
    }
    // A job by notice, and by command line, each of which cannot be handed on now.
    std::string Notice(const std::string& id)
    {
        const std::string path = Write(id);
        EXPECT_EQ(SendJobNotice(main_, path), 1);
        EXPECT_EQ(StatusText(main_), "Directory " + lead_ + " does not exist!");
        return path;
    }
    DWORD CommandLine(const std::string& id) { return RunProgram("vimager.exe", Quote(Write(id))); }
    void Strand(int notices, int commandLines)
    {
        for (int i = 0; i < notices; ++i)
            Notice("n" + std::to_string(i));
        for (int i = 0; i < commandLines; ++i)
            EXPECT_EQ(CommandLine("c" + std::to_string(i)), 3u) << i;
    }
    void MakeLeadFolder()
    {
        ASSERT_TRUE(DeleteFileA(blocked_.c_str()));
        ASSERT_TRUE(CreateDirectoryA(blocked_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(lead_.c_str(), nullptr));
    }
    size_t JournalLines() const
    {
        const std::string journal = ReadFileBytes(TestInstallation::WaitingJournal());
        return static_cast<size_t>(std::count(journal.begin(), journal.end(), '\n'));
    }
    size_t LogCount(const std::string& text) const
    {
        const std::string log = installation_.LogText();
        size_t count = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++count;
        return count;
    }
    // Every job sent is in the lead folder once, whole, and none is left at its source.
    void ExpectAllHandedOnOnce()
    {
        // A change notification starts the retry; without one the 30 s round does.
        EXPECT_TRUE(PumpUntil([&] { return ListFolder(lead_).size() >= sent_.size(); }, 90000));
        std::map<std::string, std::string> contents;
        const std::map<std::string, int> ids = CountIds(lead_, &contents);
        EXPECT_EQ(ids.size(), sent_.size());
        for (const auto& job : sent_) {
            EXPECT_EQ(ids.count(job.first) ? ids.at(job.first) : 0, 1) << job.first;
            EXPECT_EQ(contents[job.first], job.second) << job.first;
            EXPECT_FALSE(PathExists(installation_.Jobs() + "\\" + job.first + ".tmp")) << job.first;
        }
        EXPECT_EQ(LogCount(" Handed on after waiting: "), sent_.size());
        EXPECT_TRUE(PumpUntil([&] { return JournalLines() == 0; }, 10000));
    }

    std::string blocked_;
    std::string lead_;
    std::map<std::string, std::string> sent_;
};

} // namespace

TEST_F(Waiting, JobsOfAMissingLeadFolderGoOnOnceItIsThereAndAReplacedOneStays)
{
    Strand(5, 3);
    // Its file replaced by another of a different size: no longer the job that waited.
    const std::string replaced = Notice("replaced");
    sent_.erase("replaced");
    WriteFileBytes(replaced, JobText("replaced") + "[Page]\r\n");
    EXPECT_EQ(JournalLines(), 9u);
    EXPECT_TRUE(ListFolder(lead_).empty());

    ASSERT_NO_FATAL_FAILURE(MakeLeadFolder());
    ExpectAllHandedOnOnce();
    EXPECT_EQ(ReadFileBytes(replaced), JobText("replaced") + "[Page]\r\n");
    EXPECT_EQ(LogCount(" Gone from the waiting jobs, its file is another now: " + replaced + "\r\n"), 1u);
}

TEST_F(Waiting, KilledWhileJobsWaitTheyGoOnAfterTheNextStartAndGarbageInTheJournalIsSkipped)
{
    Strand(5, 3);
    EXPECT_EQ(JournalLines(), 8u);
    program_.Kill();
    ASSERT_TRUE(program_.WaitForExit(10000));
    // With nobody waiting, a command-line job is not handed on and says so.
    const std::string alone = Write("alone");
    sent_.erase("alone");
    EXPECT_EQ(RunProgram("vimager.exe", Quote(alone)), 2u);
    EXPECT_TRUE(PathExists(alone));

    const std::string journal = TestInstallation::WaitingJournal();
    WriteFileBytes(journal, "garbage\r\n" + ReadFileBytes(journal) + std::string("\x01\x02\xFF\r\n1\t2\r\n", 10));
    ASSERT_NO_FATAL_FAILURE(MakeLeadFolder());
    ASSERT_NO_FATAL_FAILURE(Start());
    ExpectAllHandedOnOnce();
    EXPECT_EQ(LogCount(" Waiting jobs: 3 unreadable lines of " + journal + " skipped\r\n"), 1u);
    EXPECT_TRUE(PathExists(alone));
}
