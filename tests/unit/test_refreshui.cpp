// Upkeep of the untranslated-text list, on real files of the test prefix.
#include "support/TestSupport.h"

#include "text/Refreshui.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Tidied(const std::string& bytes)
{
    TempFolder folder;
    const std::string path = folder / "undef.txt";
    WriteFileBytes(path, bytes);
    TidyUntranslatedList(path);
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::string>{"undef.txt"});
    return ReadFileBytes(path);
}

} // namespace

TEST(UntranslatedList, TheFixedPath)
{
    EXPECT_STREQ(kUntranslatedListPath, "c:\\velt korvel\\undef.txt");
}

TEST(UntranslatedList, WithoutTheFileNothingIsCreated)
{
    TempFolder folder;
    TidyUntranslatedList(folder / "undef.txt");
    EXPECT_TRUE(ListFolder(folder.Path()).empty());
    TidyUntranslatedList(folder / "missing folder\\undef.txt");
    EXPECT_TRUE(ListFolder(folder.Path()).empty());
}

TEST(UntranslatedList, SortedCaseInsensitivelyWithoutDuplicates)
{
    EXPECT_EQ(Tidied("beta\r\nAlpha\r\nalpha\r\nbeta\r\n"), "Alpha\r\nbeta\r\n");
    EXPECT_EQ(Tidied("alpha\r\nAlpha\r\n"), "alpha\r\n"); // the first read survives
    EXPECT_EQ(Tidied("Zeta\r\nalpha\r\nBeta\r\n"), "alpha\r\nBeta\r\nZeta\r\n");
}

TEST(UntranslatedList, LineBreaksAndEmptyLines)
{
    EXPECT_EQ(Tidied("b\r\n\r\na\r\n\r\n"), "\r\na\r\nb\r\n"); // empty lines: one, first
    EXPECT_EQ(Tidied("last"), "last\r\n");
    EXPECT_EQ(Tidied(""), "");
    EXPECT_EQ(Tidied("c\rb\na\r\n"), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(Tidied(std::string("b\r\na\0ignored\r\n", 16)), "a\r\nb\r\n");
}

TEST(UntranslatedList, AnOrderedListKeepsItsBytes)
{
    const std::string ordered = "\r\nAlpha\r\nbeta\r\n\xE9t\xE9\r\nGamma\r\n";
    EXPECT_EQ(Tidied(ordered), ordered);
}

TEST(UntranslatedList, OrderIsTheLocaleOrderNotTheByteOrder)
{
    EXPECT_EQ(Tidied("Gamma\r\n\xE9t\xE9\r\nbeta\r\n"), "beta\r\n\xE9t\xE9\r\nGamma\r\n");
}

TEST(UntranslatedList, ALockedFileIsLeftAlone)
{
    TempFolder folder;
    const std::string path = folder / "undef.txt";
    WriteFileBytes(path, "b\r\na\r\n");
    {
        // Another process holding the file without sharing it.
        HANDLE lock = CreateFileA(
            path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        TidyUntranslatedList(path);
        CloseHandle(lock);
    }
    EXPECT_EQ(ReadFileBytes(path), "b\r\na\r\n");
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::string>{"undef.txt"});
}

TEST(UntranslatedList, AReadOnlyFileStaysAsItWas)
{
    TempFolder folder;
    const std::string path = folder / "undef.txt";
    WriteFileBytes(path, "b\r\na\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    TidyUntranslatedList(path);
    EXPECT_EQ(ReadFileBytes(path), "b\r\na\r\n");
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::string>{"undef.txt"}); // no stray temporary
}
