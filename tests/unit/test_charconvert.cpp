#include "text/Charconvert.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

const char kAthensUtf8[] = "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1";
const char kAthens1253[] = "\xC1\xE8\xDE\xED\xE1";

} // namespace

TEST(Charconvert, GreekUtf8BecomesCodePage1253Bytes)
{
    EXPECT_EQ(Utf8ToCodePage(kAthensUtf8, 1253), kAthens1253);
    std::string output = "old";
    ASSERT_TRUE(TryUtf8ToCodePage(kAthensUtf8, output, 1253));
    EXPECT_EQ(output, kAthens1253);
    // The target is the code page asked for, whatever the system's ANSI one is.
    EXPECT_NE(Utf8ToCodePage(kAthensUtf8, 1252), kAthens1253);
    EXPECT_EQ(Utf8ToCodePage("\xC3\xA9t\xC3\xA9", 1252), "\xE9t\xE9");
}

TEST(Charconvert, MissingCharactersAndMalformedInputBecomeQuestionMarks)
{
    EXPECT_EQ(Utf8ToCodePage("\xE4\xB8\xAD", 1253), "?");                  // U+4E2D
    EXPECT_EQ(Utf8ToCodePage("C:\\\xE4\xB8\xAD\\x", 1253), "C:\\?\\x");
    // A malformed sequence does not fail the conversion: it is replaced.
    std::string output;
    EXPECT_TRUE(TryUtf8ToCodePage("a\xFF" "b", output, 1253));
    EXPECT_EQ(output.size(), 3u);
    EXPECT_EQ(output.front(), 'a');
    EXPECT_EQ(output.back(), 'b');
}

TEST(Charconvert, EmptyAsciiAndEmbeddedZero)
{
    std::string output = "old";
    EXPECT_TRUE(TryUtf8ToCodePage("", output, 1253));
    EXPECT_EQ(output, "");
    EXPECT_EQ(Utf8ToCodePage("", 1253), "");

    const std::string ascii = "D:\\Lead 1\\spool & print ~!#$%^()";
    EXPECT_EQ(Utf8ToCodePage(ascii.c_str(), 1253), ascii);
    EXPECT_EQ(Utf8ToCodePage("ab\0cd", 1253), "ab");
}

TEST(Charconvert, LongTextIsNotCut)
{
    std::string utf8;
    std::string expected;
    for (int i = 0; i < 40000; ++i) {
        utf8 += kAthensUtf8;
        expected += kAthens1253;
    }
    EXPECT_EQ(Utf8ToCodePage(utf8.c_str(), 1253), expected);
}

TEST(Charconvert, WideToCodePage)
{
    std::string output = "old";
    ASSERT_TRUE(TryWideToCodePage(L"\u0391\u03B8\u03AE\u03BD\u03B1", output, 1253));
    EXPECT_EQ(output, kAthens1253);
    ASSERT_TRUE(TryWideToCodePage(L"", output, 1253));
    EXPECT_EQ(output, "");
    ASSERT_TRUE(TryWideToCodePage(L"\u00E9t\u00E9", output, 1252));
    EXPECT_EQ(output, "\xE9t\xE9");
}

TEST(Charconvert, FailureLeavesTheOutputAlone)
{
    // No such code page: the platform refuses, and the caller's text stays.
    std::string output = "kept";
    EXPECT_FALSE(TryUtf8ToCodePage("abc", output, 12345));
    EXPECT_EQ(output, "kept");
    EXPECT_FALSE(TryWideToCodePage(L"abc", output, 12345));
    EXPECT_EQ(output, "kept");
    EXPECT_EQ(Utf8ToCodePage("abc", 12345), "");
    EXPECT_FALSE(TryUtf8ToCodePage(nullptr, output, 1253));
    EXPECT_EQ(output, "kept");
}

TEST(Charconvert, ExactConversionNeverGivesALookAlike)
{
    std::string output;
    // Best fit makes "l" of U+0142; the exact conversion says it cannot and shows the default.
    ASSERT_TRUE(TryWideToCodePage(L"job\u0142.tmp", output, 1252));
    EXPECT_EQ(output, "jobl.tmp");
    EXPECT_FALSE(TryWideToCodePageExact(L"job\u0142.tmp", output, 1252));
    EXPECT_EQ(output, "job?.tmp");
    EXPECT_TRUE(TryWideToCodePageExact(L"\u00E9t\u00E9", output, 1252));
    EXPECT_EQ(output, "\xE9t\xE9");
    EXPECT_FALSE(TryUtf8ToCodePageExact("\xCE\x91", output, 1252));
    EXPECT_TRUE(TryUtf8ToCodePageExact("\xCE\x91", output, 1253));
    EXPECT_EQ(output, "\xC1");
}
