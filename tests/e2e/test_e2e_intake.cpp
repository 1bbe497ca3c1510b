// Job notices to the resident program, the stop file, and notices while a question is open.
#include "e2e/E2eSupport.h"

#include <gtest/gtest.h>

#include <future>
#include <regex>

namespace {

class Resident : public ResidentTest {
protected:
    void SetUp() override { Start(); }
};

} // namespace

TEST_F(Resident, NoticesAreShownLoggedAndRoutedToTheLeadFolders)
{
    installation_.SetPrinter(1, "SealQueue");
    installation_.SetPrinter(2, "");
    const std::string job1 = installation_.MakeJob("a.tmp", 1);
    const std::string job2 = installation_.MakeJob("b.tmp", 2);

    EXPECT_EQ(SendJobNotice(main_, job1), 1);
    EXPECT_EQ(StatusText(main_), "OUT = " + installation_.Lead1() + "\\" + JobName(1));
    EXPECT_TRUE(std::regex_match(StampText(main_),
                                 std::regex(R"(\d\d:\d\d:\d\d Session=)" + std::to_string(session_) + ", Counter=1")))
        << StampText(main_);
    EXPECT_EQ(InText(main_), job1);

    // The same kind of notice as UTF-16LE; printer 2 without "Todo" goes to the spooler too.
    EXPECT_EQ(SendJobNotice(main_, job2, true), 1);
    EXPECT_EQ(StatusText(main_), "OUT = " + installation_.Lead2() + "\\" + JobName(2));
    EXPECT_EQ(InText(main_), job2);

    EXPECT_EQ(ListFolder(installation_.Lead1()), std::vector<std::string>{JobName(1)});
    EXPECT_EQ(ListFolder(installation_.Lead2()), std::vector<std::string>{JobName(2)});
    EXPECT_TRUE(ListFolder(installation_.Jobs()).empty());

    // Any other kind of notice shows only its number.
    const std::string stamp = StampText(main_);
    EXPECT_EQ(SendNotice(main_, 999, "x", 2), 1);
    EXPECT_TRUE(std::regex_match(StatusText(main_), std::regex(R"(\d\d:\d\d:\d\d999)"))) << StatusText(main_);
    EXPECT_EQ(StampText(main_), stamp);

    const std::string log = installation_.LogText();
    EXPECT_TRUE(std::regex_search(log, std::regex(R"(\d\d:\d\d:\d\d\.\d\d\d Got )" +
                                                  std::regex_replace(job1, std::regex(R"([\\.])"), R"(\$&)") +
                                                  "\r\n")))
        << log;
    EXPECT_NE(log.find(" Got " + job2 + "\r\n"), std::string::npos) << log;
    // Two lines, both for the job notices: the other kind of notice is not logged.
    EXPECT_TRUE(std::regex_match(log, std::regex(R"((\d\d:\d\d:\d\d\.\d\d\d Got [^\r\n]*\r\n){2})"))) << log;
}

TEST_F(Resident, FailuresAreShownAndOnlyAFailedMoveIsLogged)
{
    installation_.SetPrinter(1, "SealQueue");
    EXPECT_EQ(SendJobNotice(main_, installation_.Jobs() + "\\missing.tmp"), 1);
    EXPECT_EQ(StatusText(main_), "Could not read Printer name");

    // Another program holds the job file open without delete sharing: it can be read, not moved.
    const std::string locked = installation_.MakeJob("locked.tmp", 1);
    HANDLE hold = CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SendJobNotice(main_, locked), 1);
    const std::string expected = "Error 32 moving " + locked + " into " + installation_.Lead1() + "\\" + JobName(2);
    EXPECT_EQ(StatusText(main_), expected);
    EXPECT_TRUE(PathExists(locked));
    EXPECT_TRUE(ListFolder(installation_.Lead1()).empty());

    // The lead folder's path is taken by a file: it cannot be made.
    RemoveTree(installation_.Lead1());
    WriteFileBytes(installation_.Lead1(), "not a folder");
    const std::string job = installation_.MakeJob("c.tmp", 1);
    EXPECT_EQ(SendJobNotice(main_, job), 1);
    EXPECT_EQ(StatusText(main_), "Directory " + installation_.Lead1() + " does not exist!");
    EXPECT_TRUE(PathExists(job));

    const std::string log = installation_.LogText();
    EXPECT_NE(log.find(" " + expected + "\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Directory "), std::string::npos);
    EXPECT_EQ(log.find("Could not read"), std::string::npos);
    // Held until now, or the job would go on with the next retry.
    CloseHandle(hold);
}

TEST_F(Resident, ANoticeDuringAnOpenQuestionIsRoutedAtOnceUnderItsOwnNumber)
{
    installation_.SetPrinter(1, "Ask user");
    installation_.SetPrinter(2, "SealQueue");
    const std::string asked = installation_.MakeJob("asked.tmp", 1);
    const std::string other = installation_.MakeJob("other.tmp", 2);

    MessageBoxWatcher boxes(program_.Id());
    boxes.SetAnswer(0);
    auto first = std::async(std::launch::async, [&] { return SendJobNotice(main_, asked); });
    ASSERT_TRUE(boxes.WaitForCount(1, 10000));
    EXPECT_EQ(boxes.Seen()[0].Caption, "VELT Imager Support");
    EXPECT_EQ(boxes.Seen()[0].Text, "Call SealQueue?");
    // The window came out of the tray for the question.
    EXPECT_TRUE(IsWindowVisible(main_));

    // A second sender is served inside the question's loop.
    EXPECT_EQ(SendJobNotice(main_, other), 1);
    EXPECT_EQ(ListFolder(installation_.Lead2()), std::vector<std::string>{JobName(2)});
    EXPECT_EQ(first.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);

    boxes.AnswerOpen(IDOK);
    EXPECT_EQ(first.get(), 1);
    EXPECT_EQ(ListFolder(installation_.Lead1()), std::vector<std::string>{JobName(1)});
    EXPECT_FALSE(PathExists(asked));
}

TEST_F(Resident, CancelLeavesTheJobAndShowsNothing)
{
    installation_.SetPrinter(1, "ask USER");
    const std::string job = installation_.MakeJob("kept.tmp", 1);
    const std::string status = StatusText(main_);
    MessageBoxWatcher boxes(program_.Id());
    boxes.SetAnswer(IDCANCEL);
    EXPECT_EQ(SendJobNotice(main_, job), 1);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_TRUE(PathExists(job));
    EXPECT_TRUE(ListFolder(installation_.Lead1()).empty());
    EXPECT_EQ(StatusText(main_), status);
    EXPECT_EQ(installation_.LogText().find("Error"), std::string::npos);
}

TEST_F(Resident, AStopFileDuringAnOpenQuestionWaitsForTheAnswer)
{
    installation_.SetPrinter(1, "Ask user");
    const std::string job = installation_.MakeJob("late.tmp", 1);
    MessageBoxWatcher boxes(program_.Id());
    boxes.SetAnswer(0);
    auto notice = std::async(std::launch::async, [&] { return SendJobNotice(main_, job); });
    ASSERT_TRUE(boxes.WaitForCount(1, 10000));
    WriteFileBytes(installation_.StopFile(), "");
    // Several timer ticks pass while the question is open; the program stays.
    EXPECT_FALSE(program_.WaitForExit(4000));
    boxes.AnswerOpen(IDOK);
    EXPECT_EQ(notice.get(), 1);
    EXPECT_TRUE(program_.WaitForExit(10000));
    EXPECT_EQ(ListFolder(installation_.Lead1()), std::vector<std::string>{JobName(1)});
}

TEST_F(Resident, AnErrorRoutingDoesNotHandleReachesTheExceptionDisplayAndTheSenderGetsZero)
{
    installation_.SetPrinter(1, "EmfRaster");
    ScopedRegKey converter(HKEY_CURRENT_USER, "SOFTWARE\\VELT Korvel\\EmfRaster");
    converter.SetDword("ExePath", 1);
    const std::string job = installation_.MakeJob("odd.tmp", 1);
    MessageBoxWatcher boxes(program_.Id());
    EXPECT_EQ(SendJobNotice(main_, job), 0);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Seen()[0].Caption, "VELT Imager Support");
    EXPECT_FALSE(boxes.Seen()[0].Text.empty());
    EXPECT_TRUE(PathExists(job));
    // The program goes on answering.
    EXPECT_EQ(SendNotice(main_, 7, nullptr, 0), 1);
}

TEST(StopFile, EndsTheProgramAtTheNextTick)
{
    TestInstallation installation;
    VimagerProcess program;
    program.Start();
    ASSERT_NE(program.WaitForWindow(), nullptr);
    EXPECT_FALSE(program.WaitForExit(2000));
    WriteFileBytes(installation.StopFile(), "");
    const DWORD start = GetTickCount();
    ASSERT_TRUE(program.WaitForExit(10000));
    EXPECT_EQ(program.ExitCode(), 0u);
    // Reported, not asserted: the watch ticks every 1.5 s.
    RecordProperty("stop_ms", static_cast<int>(GetTickCount() - start));

    // A stop file already there ends every new start at its first tick.
    VimagerProcess again;
    again.Start();
    ASSERT_NE(again.WaitForWindow(), nullptr);
    EXPECT_TRUE(again.WaitForExit(10000));
    EXPECT_TRUE(PathExists(installation.StopFile()));
}
