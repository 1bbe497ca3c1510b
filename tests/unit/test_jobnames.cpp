// Names of command-line job files: which names take a number, the lowest free number, and the
// hand-off into a folder that already holds waiting jobs and files of other names.
#include "app/Handoff.h"
#include "app/Jobtext.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(JobFileName, TenDigitsBetweenJobAndLog)
{
    EXPECT_EQ(JobFileNumber("job0000000000.log"), 0);
    EXPECT_EQ(JobFileNumber("job0000000042.log"), 42);
    EXPECT_EQ(JobFileNumber("job1000000001.log"), 1000000001LL);
    EXPECT_EQ(JobFileNumber("job9999999999.log"), 9999999999LL);
}

TEST(JobFileName, LettersInAnyCaseAreTheSameName)
{
    EXPECT_EQ(JobFileNumber("JOB0000000007.LOG"), 7);
    EXPECT_EQ(JobFileNumber("Job0000000007.Log"), 7);
    EXPECT_EQ(JobFileNumber("jOB0000000123.lOg"), 123);
}

TEST(JobFileName, NamesOfOtherFormsTakeNoNumber)
{
    for (const char* name : {
             "job123.log", // too few digits
             "job000000001.log", // nine
             "job00000000001.log", // eleven
             "jobABCDEFGHIJ.log", // no digits
             "job00000000a1.log", // one letter among them
             "job 000000001.log", // a blank
             "job-000000001.log", // a sign
             "job+000000001.log",
             "job0000000001.tmp", // another extension
             "job0000000001.log.bak", // a longer one
             "job0000000001.lo",
             "job0000000001_log",
             "xjob000000001.log",
             "jobs000000001.log",
             "job0000000001",
             "job\xB9"
             "000000000.log", // superscript one in the ANSI code page is no digit
             "",
         })
        EXPECT_EQ(JobFileNumber(name), -1) << name;
}

TEST(LowestFreeJobNumber, FillsTheFirstGap)
{
    EXPECT_EQ(LowestFreeJobNumber({}, 0), 0);
    EXPECT_EQ(LowestFreeJobNumber({0, 1, 2}, 0), 3);
    EXPECT_EQ(LowestFreeJobNumber({0, 1, 3, 4}, 0), 2);
    EXPECT_EQ(LowestFreeJobNumber({1, 2}, 0), 0);
    EXPECT_EQ(LowestFreeJobNumber({0, 0, 1, 1, 3}, 0), 2); // the same number under two spellings
    EXPECT_EQ(LowestFreeJobNumber({5, 1000, 1000000}, 0), 0);
}

TEST(LowestFreeJobNumber, SearchesOnFromAGivenNumber)
{
    // After a name was taken by someone else meanwhile.
    EXPECT_EQ(LowestFreeJobNumber({0, 1, 3, 4, 7}, 2), 2);
    EXPECT_EQ(LowestFreeJobNumber({0, 1, 3, 4, 7}, 3), 5);
    EXPECT_EQ(LowestFreeJobNumber({0, 1, 3, 4, 7}, 6), 6);
    EXPECT_EQ(LowestFreeJobNumber({0, 1, 3, 4, 7}, 7), 8);
    EXPECT_EQ(LowestFreeJobNumber({2}, -5), 0);
}

TEST(LowestFreeJobNumber, EndsAtTheTenDigitLimit)
{
    EXPECT_EQ(LowestFreeJobNumber({}, kLastJobFileNumber), kLastJobFileNumber);
    EXPECT_EQ(LowestFreeJobNumber({kLastJobFileNumber - 1}, kLastJobFileNumber - 1), kLastJobFileNumber);
    EXPECT_EQ(LowestFreeJobNumber({kLastJobFileNumber - 1, kLastJobFileNumber}, kLastJobFileNumber - 1), -1);
    EXPECT_EQ(LowestFreeJobNumber({kLastJobFileNumber}, kLastJobFileNumber), -1);
    EXPECT_EQ(LowestFreeJobNumber({}, kLastJobFileNumber + 1), -1);
}

class JobNamesTest : public ::testing::Test {
protected:
    // A job handed off into the folder without a preferred name; where it went.
    std::string HandOff()
    {
        const std::string job = jobs_ / "j.tmp";
        WriteFileBytes(job, "job");
        const Handoff result = HandOffJob(job, folder_.Path(), std::string());
        EXPECT_EQ(result.Error, static_cast<DWORD>(ERROR_SUCCESS));
        return result.Destination;
    }
    std::string Name(const std::string& name) const { return folder_ / name; }
    static std::string Numbered(int number)
    {
        char name[32];
        snprintf(name, sizeof name, "job%010d.log", number);
        return name;
    }

    TempFolder folder_;
    TempFolder jobs_;
};

TEST_F(JobNamesTest, HandOffSkipsWaitingJobsInAnyCaseAndIgnoresOtherNames)
{
    WriteFileBytes(Name("JOB0000000000.LOG"), "waiting");
    WriteFileBytes(Name("job0000000002.log"), "waiting");
    CreateDirectoryA(Name("job0000000003.log").c_str(), nullptr);
    for (const char* other : {"job1.log", "job4.log", "jobABCDEFGHIJ.log", "job00000000001.log", "job0000000001.tmp"})
        WriteFileBytes(Name(other), "other");

    EXPECT_EQ(HandOff(), Name("job0000000001.log"));
    EXPECT_EQ(ReadFileBytes(Name("job0000000001.log")), "job");
    EXPECT_EQ(HandOff(), Name("job0000000004.log"));
    EXPECT_EQ(ReadFileBytes(Name("JOB0000000000.LOG")), "waiting");
    EXPECT_EQ(ReadFileBytes(Name("job1.log")), "other");
}

TEST_F(JobNamesTest, HandOffAfterABacklogTakesTheNextNumber)
{
    for (int i = 0; i < 1500; ++i)
        if (i != 700)
            WriteFileBytes(Name(Numbered(i)), "");
    EXPECT_EQ(HandOff(), Name("job0000000700.log"));
    EXPECT_EQ(HandOff(), Name("job0000001500.log"));
    EXPECT_EQ(HandOff(), Name("job0000001501.log"));
    EXPECT_EQ(ListFolder(folder_.Path()).size(), 1502u);
}
