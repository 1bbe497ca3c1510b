// The string list's text handling and the name/value grid, on real windows of the test prefix.
#include "FormsFixture.h"

#include "toolkit/Classes.h"
#include "toolkit/ValueListEditor.h"

#include <gtest/gtest.h>

#include <memory>

using Lines = std::vector<std::string>;

TEST(TextLines, BreaksAtCrLfLoneCrAndLoneLfAndStopsAtNul)
{
    EXPECT_EQ(SplitTextLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitTextLines("a\n\rb"), (Lines{"a", "", "b"})); // LF then CR: two breaks
    EXPECT_EQ(SplitTextLines("a\r\n"), (Lines{"a"})); // a final break opens no line
    EXPECT_EQ(SplitTextLines("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(SplitTextLines("\r\n"), (Lines{""}));
    EXPECT_EQ(SplitTextLines(""), (Lines{}));
    EXPECT_EQ(SplitTextLines(std::string("a\r\nb\0c\r\nd", 10)), (Lines{"a", "b"}));
    EXPECT_EQ(SplitTextLines(std::string("\0a", 2)), (Lines{}));
    EXPECT_EQ(SplitTextLines("\xE9t\xE9\r\n"), (Lines{"\xE9t\xE9"})); // 8-bit text passes as it is
}

TEST(TextLines, EveryLineEndsWithCrLf)
{
    EXPECT_EQ(JoinTextLines({"a", "b"}), "a\r\nb\r\n");
    EXPECT_EQ(JoinTextLines({""}), "\r\n");
    EXPECT_EQ(JoinTextLines({}), "");
}

TEST(SortedLines, CaseInsensitiveWithoutDuplicatesFirstReadSurvives)
{
    EXPECT_EQ(SortedUniqueLines({"beta", "Alpha", "alpha", "beta"}, false), (Lines{"Alpha", "beta"}));
    EXPECT_EQ(SortedUniqueLines({"alpha", "Alpha"}, false), (Lines{"alpha"}));
    EXPECT_EQ(SortedUniqueLines({"b", "", "a", ""}, false), (Lines{"", "a", "b"}));
    EXPECT_EQ(SortedUniqueLines({"b", "B", "a"}, true).size(), 3u);
    EXPECT_EQ(SortedUniqueLines({}, false), (Lines{}));
}

TEST(SortedLines, FindGivesTheLineOrItsPlace)
{
    const Lines lines{"Alpha", "beta", "Delta"};
    size_t index = 99;
    EXPECT_TRUE(FindSortedLine(lines, "BETA", false, index));
    EXPECT_EQ(index, 1u);
    EXPECT_FALSE(FindSortedLine(lines, "Charlie", false, index));
    EXPECT_EQ(index, 2u);
    EXPECT_FALSE(FindSortedLine(lines, "", false, index));
    EXPECT_EQ(index, 0u);
    EXPECT_FALSE(FindSortedLine(lines, "zulu", false, index));
    EXPECT_EQ(index, 3u);
    EXPECT_FALSE(FindSortedLine({}, "a", false, index));
    EXPECT_EQ(index, 0u);
}

TEST(StringList, SortedAddKeepsOrderAndHonoursDuplicates)
{
    TStringList list;
    list.SetSorted(true);
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    EXPECT_EQ(list.Add("beta"), 0);
    EXPECT_EQ(list.Add("Alpha"), 0);
    EXPECT_EQ(list.Add("ALPHA"), 0); // ignored: the one there keeps its place and spelling
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0], "Alpha");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.IndexOf("BETA"), 1);
    EXPECT_EQ(list.IndexOf("gamma"), -1);
    EXPECT_THROW(list.Insert(0, "x"), EStringListError);
    EXPECT_THROW(list.SetStrings(0, "x"), EStringListError);

    list.Duplicates = TDuplicates::dupError;
    EXPECT_THROW(list.Add("alpha"), EStringListError);
    list.Duplicates = TDuplicates::dupAccept;
    list.Add("alpha");
    EXPECT_EQ(list.Count(), 3);
}

TEST(StringList, UnsortedKeepsInsertionOrderAndSplitsNameValue)
{
    TStringList list;
    list.Add("VELT Imager 2=Ask user");
    list.Add("VELT Imager 1=a=b");
    list.Add("no separator");
    list.Insert(0, "first=");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Names(0), "first");
    EXPECT_EQ(list.ValueFromIndex(0), "");
    EXPECT_EQ(list.Names(1), "VELT Imager 2");
    EXPECT_EQ(list.ValueFromIndex(2), "a=b");
    EXPECT_EQ(list.Names(3), "");
    EXPECT_THROW(list.Strings(4), EStringListError);
    EXPECT_THROW(list.Strings(-1), EStringListError);
    list.SetSorted(true);
    EXPECT_EQ(list[0], "first=");
    EXPECT_EQ(list[3], "VELT Imager 2=Ask user");
}

TEST(StringList, FilesRoundTripAndFailuresThrow)
{
    TempFolder folder;
    const std::string path = folder / "list.txt";
    WriteFileBytes(path, "b\nA\r\nc");
    TStringList list;
    list.LoadFromFile(path);
    EXPECT_EQ(list.Count(), 3);
    list.SaveToFile(path);
    EXPECT_EQ(ReadFileBytes(path), "b\r\nA\r\nc\r\n");
    EXPECT_EQ(ListFolder(folder.Path()), (Lines{"list.txt"}));

    EXPECT_THROW(list.LoadFromFile(folder / "missing.txt"), EStringListError);
    EXPECT_THROW(list.SaveToFile(folder / "no folder\\list.txt"), EStringListError);
    EXPECT_EQ(list.Count(), 3); // a failed load leaves the list as it was
}

namespace {

// A form with a grid over the client area and a button below it.
class GridForm : public TForm {
public:
    GridForm()
        : TForm(Style())
        , Grid(*this, Handle(), 0, 0, 380, 180)
        , Next(*this, Handle(), 8, 186, 75, 25, "Next", 100, false)
    {
        Grid.SetTitleCaptions("Printer name", "Destination application");
        Grid.SetColWidths(106, 273);
        Grid.OnValueChange = [this] { ++ValueChanges; };
    }
    static TFormStyle Style()
    {
        TFormStyle style;
        style.ClassName = "TGridTestForm";
        style.Caption = "Grid";
        style.ClientWidth = 380;
        style.ClientHeight = 216;
        return style;
    }
    TValueListEditor Grid;
    TButton Next;
    int ValueChanges = 0;
};

class GridTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        DropStaleMessages();
        app_->CreateForm(form_);
        pick_.Add("SealQueue");
        pick_.Add("EmfRaster");
        pick_.Add("Ask user");
    }
    void TearDown() override
    {
        form_ = nullptr;
        AppTest::TearDown();
    }
    void AddPickRow(const std::string& line)
    {
        Grid().Strings().Add(line);
        TItemProp& props = Grid().ItemProps(Grid().Strings().Count() - 1);
        props.SetReadOnly(true);
        props.SetEditStyle(TEditStyle::esPickList);
        props.PickList().Assign(pick_);
    }
    void ShowFocused()
    {
        form_->Show();
        Grid().SetFocus();
        app_->ProcessMessages();
    }
    // A key as the keyboard gives it to the focus window, through the message loop.
    void Key(UINT key, bool alt = false)
    {
        HWND target = GetFocus();
        const UINT down = 1 | (alt ? 1u << 29 : 0u);
        PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, static_cast<LPARAM>(down));
        PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, static_cast<LPARAM>(down | 3u << 30));
        app_->ProcessMessages();
    }
    void Click(int x, int y)
    {
        PostMessageA(Grid().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        PostMessageA(Grid().Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        app_->ProcessMessages();
    }
    RECT EditorRect() const
    {
        RECT rect{};
        GetWindowRect(form_->Grid.EditorHandle(), &rect);
        MapWindowPoints(nullptr, form_->Grid.Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    int EditorSelection() const { return static_cast<int>(SendMessageA(Grid().EditorHandle(), CB_GETCURSEL, 0, 0)); }
    TValueListEditor& Grid() const { return form_->Grid; }

    GridForm* form_ = nullptr;
    TStringList pick_;
};

} // namespace

TEST_F(GridTest, RowsAreTheNameValueLines)
{
    EXPECT_EQ(Grid().RowCount(), 1); // the title row alone
    Grid().Strings().Add("VELT Imager 1=EmfRaster");
    EXPECT_EQ(Grid().InsertRow("VELT Imager 2", "a=b", true), 2);
    EXPECT_EQ(Grid().RowCount(), 3);
    EXPECT_EQ(Grid().Keys(1), "VELT Imager 1");
    EXPECT_EQ(Grid().Values(1), "EmfRaster");
    EXPECT_EQ(Grid().Values(2), "a=b");
    Grid().SetValues(2, "Ask user");
    EXPECT_EQ(Grid().Strings()[1], "VELT Imager 2=Ask user");
    EXPECT_THROW(Grid().ItemProps(2), EStringListError);
    Grid().Clear();
    EXPECT_EQ(Grid().RowCount(), 1);
    EXPECT_THROW(Grid().ItemProps(0), EStringListError);
    EXPECT_EQ(Grid().TitleCaptions(0), "Printer name");
    EXPECT_EQ(Grid().TitleCaptions(1), "Destination application");
}

TEST_F(GridTest, LayoutFollowsTheFormScaleAndTheListCoversTheValueCell)
{
    AddPickRow("VELT Imager 1=EmfRaster");
    Grid().Strings().Add("Plain=no list");
    ShowFocused();
    RECT client{};
    GetClientRect(Grid().Handle(), &client);
    EXPECT_EQ(Grid().ColWidths(0), form_->Scale(106));
    EXPECT_GE(Grid().ColWidths(1), form_->Scale(273));
    EXPECT_GE(Grid().RowHeight(), form_->Scale(18));
    const RECT cell = Grid().CellRect(1, 1);
    EXPECT_EQ(cell.left, Grid().ColWidths(0) + std::max(1, form_->Scale(1)));
    EXPECT_GE(cell.right, client.right); // the value column reaches the grid's edge
    ASSERT_TRUE(Grid().EditorVisible());
    const RECT editor = EditorRect();
    EXPECT_EQ(editor.left, cell.left);
    EXPECT_EQ(editor.top, cell.top);
    EXPECT_EQ(editor.right, cell.right);
    EXPECT_EQ(editor.bottom - editor.top, Grid().RowHeight());

    // A row without a pick list has no editor over it.
    Key(VK_DOWN);
    EXPECT_EQ(Grid().Row(), 2);
    EXPECT_FALSE(Grid().EditorVisible());
    Key(VK_F4);
    EXPECT_FALSE(Grid().DroppedDown());
    EXPECT_EQ(GetFocus(), Grid().Handle());
}

TEST_F(GridTest, ArrowsMoveBetweenRowsAndTabLeavesTheGrid)
{
    AddPickRow("VELT Imager 1=EmfRaster");
    AddPickRow("VELT Imager 2=Ask user");
    AddPickRow("VELT Imager 3=SealQueue");
    ShowFocused();
    EXPECT_EQ(Grid().Row(), 1);
    Key(VK_UP);
    EXPECT_EQ(Grid().Row(), 1);
    Key(VK_DOWN);
    EXPECT_EQ(Grid().Row(), 2);
    EXPECT_EQ(EditorRect().top, Grid().CellRect(1, 2).top);
    EXPECT_EQ(EditorSelection(), 2); // "Ask user"
    Key(VK_END);
    EXPECT_EQ(Grid().Row(), 3);
    Key(VK_DOWN);
    EXPECT_EQ(Grid().Row(), 3);
    Key(VK_HOME);
    EXPECT_EQ(Grid().Row(), 1);
    EXPECT_EQ(GetFocus(), Grid().Handle());
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), form_->Next.Handle());
    EXPECT_EQ(form_->ValueChanges, 0);
}

TEST_F(GridTest, F4OrAltDownOpensTheListEnterChoosesEscKeeps)
{
    AddPickRow("VELT Imager 1=EmfRaster");
    AddPickRow("VELT Imager 2=Ask user");
    ShowFocused();

    Key(VK_F4);
    ASSERT_TRUE(Grid().DroppedDown());
    EXPECT_EQ(GetFocus(), Grid().EditorHandle());
    Key(VK_DOWN);
    Key(VK_ESCAPE);
    EXPECT_FALSE(Grid().DroppedDown());
    EXPECT_EQ(Grid().Values(1), "EmfRaster");
    EXPECT_EQ(EditorSelection(), 1);
    EXPECT_EQ(GetFocus(), Grid().Handle());
    EXPECT_EQ(form_->ValueChanges, 0);

    Key(VK_DOWN);
    Key(VK_DOWN, true);
    ASSERT_TRUE(Grid().DroppedDown());
    Key(VK_UP);
    Key(VK_RETURN);
    EXPECT_FALSE(Grid().DroppedDown());
    EXPECT_EQ(Grid().Row(), 2);
    EXPECT_EQ(Grid().Values(2), "EmfRaster");
    EXPECT_EQ(Grid().Values(1), "EmfRaster");
    EXPECT_EQ(GetFocus(), Grid().Handle());
    EXPECT_EQ(form_->ValueChanges, 1);
    // Up and Down move between rows again once the list is closed.
    Key(VK_UP);
    EXPECT_EQ(Grid().Row(), 1);
}

TEST_F(GridTest, ClickSelectsARowAndOnAValueOpensItsList)
{
    AddPickRow("VELT Imager 1=EmfRaster");
    AddPickRow("VELT Imager 2=Ask user");
    ShowFocused();
    const RECT name2 = Grid().CellRect(0, 2);
    Click(name2.left + 4, name2.top + 4);
    EXPECT_EQ(Grid().Row(), 2);
    EXPECT_FALSE(Grid().DroppedDown());
    const RECT value1 = Grid().CellRect(1, 1);
    Click(value1.left + 4, value1.top + 4);
    EXPECT_EQ(Grid().Row(), 1);
    EXPECT_TRUE(Grid().DroppedDown());
    Key(VK_ESCAPE);
    EXPECT_FALSE(Grid().DroppedDown());
    // A click in the title row or below the last row changes nothing.
    const RECT title = Grid().CellRect(0, 0);
    Click(title.left + 40, title.top + 4);
    const RECT below = Grid().CellRect(0, 3);
    Click(below.left + 4, below.top + 4);
    EXPECT_EQ(Grid().Row(), 1);
    EXPECT_FALSE(Grid().DroppedDown());

    // The line between the titles can be dragged; the list follows the value column.
    const int divider = Grid().ColWidths(0);
    PostMessageA(Grid().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(divider, 4));
    PostMessageA(Grid().Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(divider + 30, 4));
    PostMessageA(Grid().Handle(), WM_LBUTTONUP, 0, MAKELPARAM(divider + 30, 4));
    app_->ProcessMessages();
    EXPECT_EQ(Grid().ColWidths(0), divider + 30);
    EXPECT_EQ(EditorRect().left, Grid().CellRect(1, 1).left);
    EXPECT_EQ(Grid().Row(), 1);
}

TEST_F(GridTest, AStoredTextOutsideTheListIsShownAsItIs)
{
    AddPickRow("VELT Imager 1=Fax");
    ShowFocused();
    EXPECT_EQ(EditorSelection(), CB_ERR);
    EXPECT_EQ(SendMessageA(Grid().EditorHandle(), CB_GETCOUNT, 0, 0), 3);
    Key(VK_F4);
    Key(VK_ESCAPE);
    EXPECT_EQ(Grid().Values(1), "Fax");
    EXPECT_EQ(EditorSelection(), CB_ERR);
    Key(VK_F4);
    Key(VK_DOWN);
    Key(VK_RETURN);
    EXPECT_EQ(Grid().Values(1), "SealQueue");
}

TEST_F(GridTest, ManyRowsScrollToKeepTheSelectedRowInSight)
{
    for (int i = 1; i <= 30; ++i)
        AddPickRow(Format("Printer %d=SealQueue", i));
    ShowFocused();
    Key(VK_END);
    EXPECT_EQ(Grid().Row(), 30);
    EXPECT_GT(Grid().TopRow(), 1);
    RECT client{};
    GetClientRect(Grid().Handle(), &client);
    const RECT editor = EditorRect();
    EXPECT_TRUE(Grid().EditorVisible());
    EXPECT_GT(editor.top, Grid().RowHeight());
    EXPECT_LE(editor.bottom, client.bottom);
    Key(VK_PRIOR);
    EXPECT_LT(Grid().Row(), 30);
    Key(VK_HOME);
    EXPECT_EQ(Grid().TopRow(), 1);
    EXPECT_EQ(EditorRect().top, Grid().CellRect(1, 1).top);
    // Fewer rows again: the view comes back to the top.
    Key(VK_END);
    while (Grid().Strings().Count() > 2)
        Grid().Strings().Delete(Grid().Strings().Count() - 1);
    EXPECT_EQ(Grid().TopRow(), 1);
    EXPECT_EQ(Grid().Row(), 2);
}
