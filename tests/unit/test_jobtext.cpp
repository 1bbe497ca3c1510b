#include "app/Jobtext.h"

#include <gtest/gtest.h>

TEST(Payload, WideOnlyWhenThreeBytesFirstSetSecondZero)
{
    const char wide[] = "C\0:\0\\\0a\0\0";
    EXPECT_TRUE(PayloadIsWide(wide, sizeof wide - 1));
    EXPECT_FALSE(PayloadIsWide(wide, 2));                      // too short
    EXPECT_FALSE(PayloadIsWide("C:\\a", 5));                    // 8-bit
    EXPECT_FALSE(PayloadIsWide("\0\0\0\0", 4));                 // leading zero
    EXPECT_FALSE(PayloadIsWide("\x91\x03\0\0", 4));             // U+0391: second byte not zero
    EXPECT_FALSE(PayloadIsWide(nullptr, 10));
}

TEST(Payload, NarrowStopsAtZeroOrAtSize)
{
    EXPECT_EQ(NarrowPayload("C:\\Spool\\job0001.tmp", 21), "C:\\Spool\\job0001.tmp");
    EXPECT_EQ(NarrowPayload("abc\0def", 7), "abc");
    EXPECT_EQ(NarrowPayload("abcdef", 3), "abc");  // no terminator inside cbData
    EXPECT_EQ(NarrowPayload("\0abc", 4), "");
    EXPECT_EQ(NarrowPayload(nullptr, 4), "");
    EXPECT_EQ(NarrowPayload("abc", 0), "");
}

TEST(Payload, WideStopsAtZeroUnitOrLastWholeUnit)
{
    const char wide[] = "a\0b\0\0\0c\0";
    EXPECT_EQ(WidePayload(wide, 8), L"ab");
    EXPECT_EQ(WidePayload("a\0b\0c", 5), L"ab");  // odd length: the half unit is dropped
    EXPECT_EQ(WidePayload("\xE9\x00\x91\x03", 4), std::wstring(L"\u00E9\u0391"));
    EXPECT_EQ(WidePayload(nullptr, 8), L"");
}

TEST(PrinterIndex, NumberAfterLastBlankAsAtolReadsIt)
{
    struct Case {
        const char* name;
        bool found;
        long index;
    } cases[] = {
        {"VELT Imager 1", true, 1},     {"VELT Imager 12", true, 12},   {"Printer 2b", true, 2},
        {"VELT Imager", true, 0},       {"VELT Imager ", true, 0},      {"VELT Imager -1", true, -1},
        {"VELT Imager +3", true, 3},    {"NoBlank", false, 0},          {"", false, 0},
        {"a  b   7", true, 7},          {"VELT Imager 2147483647", true, 2147483647L},
        {"VELT Imager 2147483648", true, 0},      {"VELT Imager 99999999999999999999999", true, 0},
        {"VELT Imager -2147483648", true, -2147483647L - 1}, {"VELT Imager -99999999999", true, 0},
    };
    for (const Case& c : cases) {
        long index = 12345;
        EXPECT_EQ(ParsePrinterIndex(c.name, index), c.found) << c.name;
        if (c.found) {
            EXPECT_EQ(index, c.index) << c.name;
        }
    }
}

TEST(JobId, SessionThenTheCounterTail)
{
    EXPECT_EQ(MakeJobId(1, 1), "1000000001");
    EXPECT_EQ(MakeJobId(12, 345), "1200000345");
    EXPECT_EQ(MakeJobId(0, 7), "0000000007");
    EXPECT_EQ(MakeJobId(123456789, 42), "1234567892");
    EXPECT_EQ(MakeJobId(1234567890, 42), "1234567890");  // no room left for the counter
    EXPECT_EQ(MakeJobId(1, 2147483647), "1147483647");
}

TEST(LogText, FileNameAndLine)
{
    const LocalStamp stamp{2026, 12, 7, 14, 3, 7, 42};
    EXPECT_EQ(LogFileName("C:\\ProgramData\\VELT Korvel\\SealQueue", stamp),
              "C:\\ProgramData\\VELT Korvel\\SealQueue\\vimg20261207.txt");
    EXPECT_EQ(LogLine(stamp, "Got C:\\Spool\\job0001.tmp"), "14:03:07.042 Got C:\\Spool\\job0001.tmp\r\n");
    EXPECT_EQ(LogLine(LocalStamp{2026, 1, 1, 0, 0, 0, 7}, "a\r\nb"), "00:00:00.007 a\r\nb\r\n");
}
