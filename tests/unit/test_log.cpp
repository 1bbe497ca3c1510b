#include "AppFixture.h"
#include "app/ActivityLog.h"
#include "support/TestSupport.h"
#include "toolkit/SysUtils.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

LocalStamp Stamp(int year, int month, int day, int hour, int minute, int second, int ms)
{
    return LocalStamp{year, month, day, hour, minute, second, ms};
}

std::string Today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Format("vimg%04d%02d%02d.txt", now.wYear, now.wMonth, now.wDay);
}

} // namespace

TEST(ActivityLog, LinesGoToTheDayFileOfTheirOwnStamp)
{
    TempFolder folder;
    AppendLogLine(folder.Path(), Stamp(2026, 12, 7, 14, 3, 7, 42), "Got C:\\Spool\\job0001.tmp");
    AppendLogLine(folder.Path(), Stamp(2026, 12, 7, 23, 59, 59, 999), "last of the day");
    AppendLogLine(folder.Path(), Stamp(2026, 12, 8, 0, 0, 0, 10), "first of the next");
    AppendLogLine(folder.Path(), Stamp(2027, 1, 1, 0, 0, 0, 7), "new year");

    EXPECT_EQ(ListFolder(folder.Path()),
              (std::vector<std::string>{"vimg20261207.txt", "vimg20261208.txt", "vimg20270101.txt"}));
    EXPECT_EQ(ReadFileBytes(folder / "vimg20261207.txt"),
              "14:03:07.042 Got C:\\Spool\\job0001.tmp\r\n23:59:59.999 last of the day\r\n");
    EXPECT_EQ(ReadFileBytes(folder / "vimg20261208.txt"), "00:00:00.010 first of the next\r\n");
    EXPECT_EQ(ReadFileBytes(folder / "vimg20270101.txt"), "00:00:00.007 new year\r\n");
}

TEST(ActivityLog, TextIsWrittenByteForByte)
{
    TempFolder folder;
    const std::string text = "two\r\nlines \xC1\xE8\xDE %s %d %% \t\x01";
    AppendLogLine(folder.Path(), Stamp(2026, 3, 4, 5, 6, 7, 8), text);
    EXPECT_EQ(ReadFileBytes(folder / "vimg20260304.txt"), "05:06:07.008 " + text + "\r\n");

    const std::string longText(100000, 'x');
    AppendLogLine(folder.Path(), Stamp(2026, 3, 5, 0, 0, 0, 0), longText);
    EXPECT_EQ(ReadFileBytes(folder / "vimg20260305.txt"), "00:00:00.000 " + longText + "\r\n");
}

TEST(ActivityLog, ExistingFileIsAppendedTo)
{
    TempFolder folder;
    const std::string earlier = "08:00:00.000 an earlier run's line that is longer than the new one\r\n";
    WriteFileBytes(folder / "vimg20260101.txt", earlier);
    AppendLogLine(folder.Path(), Stamp(2026, 1, 1, 9, 0, 0, 0), "new");
    EXPECT_EQ(ReadFileBytes(folder / "vimg20260101.txt"), earlier + "09:00:00.000 new\r\n");
}

TEST(ActivityLog, MissingFolderWritesNothingAndCreatesNothing)
{
    TempFolder folder;
    const std::string missing = folder / "absent\\SealQueue";
    AppendLogLine(missing, Stamp(2026, 1, 1, 9, 0, 0, 0), "lost");
    EXPECT_FALSE(PathExists(folder / "absent"));
    EXPECT_TRUE(ListFolder(folder.Path()).empty());
}

TEST(ActivityLog, FileHeldWithoutWriteSharingDropsTheLine)
{
    TempFolder folder;
    const std::string path = folder / "vimg20260101.txt";
    WriteFileBytes(path, "held\r\n");
    {
        UniqueFile holder(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        AppendLogLine(folder.Path(), Stamp(2026, 1, 1, 9, 0, 0, 0), "dropped");
    }
    EXPECT_EQ(ReadFileBytes(path), "held\r\n");

    // A reader that shares writing does not keep the line out.
    {
        UniqueFile reader(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reader);
        AppendLogLine(folder.Path(), Stamp(2026, 1, 1, 9, 0, 1, 0), "kept");
    }
    EXPECT_EQ(ReadFileBytes(path), "held\r\n09:00:01.000 kept\r\n");
}

TEST(ActivityLog, NoHandleStaysOpenBetweenLines)
{
    TempFolder folder;
    AppendLogLine(folder.Path(), Stamp(2026, 1, 1, 9, 0, 0, 0), "one");
    // Exclusive access succeeds only when the log has let go of the file.
    UniqueFile exclusive(CreateFileA((folder / "vimg20260101.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(exclusive);
}

class WriteLogTest : public AppTest {};

TEST_F(WriteLogTest, FirstLineOfARunIsAppendedToTheDayFile)
{
    TempFolder base;
    ScopedEnv logBase("VELTLOGD", base.Path().c_str());
    TMainForm& form = CreateMainForm();
    ASSERT_EQ(form.SpoolerFolder(), base / "SealQueue");
    ASSERT_TRUE(CreateDirectoryA(form.SpoolerFolder().c_str(), nullptr));

    const std::string day = Today();
    const std::string earlier = "07:00:00.000 a line of an earlier run, longer than the next one\r\n";
    WriteFileBytes(form.SpoolerFolder() + "\\" + day, earlier);
    form.WriteLog("Got C:\\Spool\\job0001.tmp");
    form.WriteLog("second");

    std::string all;
    for (const std::string& name : ListFolder(form.SpoolerFolder())) {
        EXPECT_TRUE(std::regex_match(name, std::regex("vimg[0-9]{8}\\.txt"))) << name;
        all += ReadFileBytes(form.SpoolerFolder() + "\\" + name);
    }
    // Taken before the writes; a midnight between them only moves the new lines to the next file.
    const std::string dayFile = ReadFileBytes(form.SpoolerFolder() + "\\" + day);
    EXPECT_EQ(dayFile.compare(0, earlier.size(), earlier), 0) << dayFile;
    const std::string stamp = "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\.[0-9]{3} ";
    EXPECT_TRUE(std::regex_match(all, std::regex("07:00:00\\.000 a line[^\r]*\r\n" + stamp +
                                                 "Got C:\\\\Spool\\\\job0001\\.tmp\r\n" + stamp + "second\r\n")))
        << all;
}

TEST_F(WriteLogTest, MissingSpoolerFolderIsSilent)
{
    TempFolder base;
    ScopedEnv logBase("VELTLOGD", base.Path().c_str());
    TMainForm& form = CreateMainForm();
    MessageBoxWatcher boxes;
    form.WriteLog("Got C:\\Spool\\job0001.tmp");
    EXPECT_FALSE(PathExists(form.SpoolerFolder()));
    EXPECT_TRUE(ListFolder(base.Path()).empty());
    EXPECT_EQ(boxes.Count(), 0u);
}
