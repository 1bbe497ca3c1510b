// The text lines of the untranslated-text list and the name/value grid, on real windows of the test prefix.
#include "FormsFixture.h"

#include "toolkit/Classes.h"
#include "toolkit/ValueListEditor.h"

#include <gtest/gtest.h>

#include <commctrl.h>

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
    EXPECT_EQ(SortedUniqueLines({"beta", "Alpha", "alpha", "beta"}), (Lines{"Alpha", "beta"}));
    EXPECT_EQ(SortedUniqueLines({"alpha", "Alpha"}), (Lines{"alpha"}));
    EXPECT_EQ(SortedUniqueLines({"b", "", "a", ""}), (Lines{"", "a", "b"}));
    EXPECT_EQ(SortedUniqueLines({}), (Lines{}));
}

TEST(TextFiles, ReplacedWholeAndEveryFailureSaid)
{
    TempFolder folder;
    const std::string path = folder / "list.txt";
    WriteFileBytes(path, "b\nA\r\nc");
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path, text));
    EXPECT_EQ(text, "b\nA\r\nc");
    ASSERT_TRUE(ReplaceWholeFile(path, "x\r\n"));
    EXPECT_EQ(ReadFileBytes(path), "x\r\n");
    EXPECT_EQ(ListFolder(folder.Path()), (Lines{"list.txt"}));

    EXPECT_FALSE(ReadWholeFile(path, text, 2));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
    EXPECT_FALSE(ReadWholeFile(folder / "missing.txt", text));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(ReplaceWholeFile(folder / "no folder\\list.txt", "x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(ListFolder(folder.Path()), (Lines{"list.txt"}));
}

namespace {

// A form with a grid over the client area and a button below it.
class GridForm : public TForm {
public:
    GridForm()
        : TForm(Style())
        , Grid({WC_LISTVIEWA, WS_TABSTOP | WS_CLIPCHILDREN | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                   WS_EX_CLIENTEDGE, 0, 0, 380, 180, 0, ""},
              "Printer name", "Destination application", 106, 200)
        , Next({"BUTTON", WS_TABSTOP, 0, 8, 186, 75, 25, 100, "Next"})
    {
        AddControls({&Grid, &Next});
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
    TControl Next;
};

class GridTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        DropStaleMessages();
        app_->CreateForm(form_);
    }
    void TearDown() override
    {
        form_ = nullptr;
        AppTest::TearDown();
    }
    void AddPickRow(const std::string& line)
    {
        Grid().Add({line.substr(0, line.find('=')), line.substr(line.find('=') + 1), &pick_});
    }
    void ShowFocused()
    {
        form_->Show();
        SetFocus(Grid().Handle());
        PumpMessages();
    }
    // A key as the keyboard gives it to the focus window, through the message loop.
    void Key(UINT key, bool alt = false)
    {
        HWND target = GetFocus();
        const UINT down = 1 | (alt ? 1u << 29 : 0u);
        PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, static_cast<LPARAM>(down));
        PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, static_cast<LPARAM>(down | 3u << 30));
        PumpMessages();
    }
    // What a reader of the list view finds in a cell (item from 0, column from 0).
    std::string ItemText(int item, int column) const
    {
        char text[128] = "";
        LVITEMA request{};
        request.iSubItem = column;
        request.pszText = text;
        request.cchTextMax = sizeof text;
        SendMessageA(Grid().Handle(), LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&request));
        return text;
    }
    RECT ValueCell(int row) const
    {
        RECT cell{LVIR_BOUNDS, 1, 0, 0};
        SendMessageA(Grid().Handle(), LVM_GETSUBITEMRECT, row - 1, reinterpret_cast<LPARAM>(&cell));
        return cell;
    }
    RECT EditorRect() const
    {
        RECT rect{};
        GetWindowRect(Grid().EditorHandle(), &rect);
        MapWindowPoints(nullptr, Grid().Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    int EditorSelection() const { return static_cast<int>(SendMessageA(Grid().EditorHandle(), CB_GETCURSEL, 0, 0)); }
    TValueListEditor& Grid() const { return form_->Grid; }

    GridForm* form_ = nullptr;
    const std::vector<std::string> pick_{"SealQueue", "EmfRaster", "Ask user"};
};

} // namespace

TEST_F(GridTest, RowsAreListViewItemsThatReadersCanRead)
{
    Grid().Add({"VELT Imager 1", "EmfRaster"});
    Grid().Add({"VELT Imager 2", "a=b"});
    EXPECT_FALSE(form_->HandleAllocated()); // rows wait for the window
    EXPECT_EQ(Grid().RowCount(), 3);
    EXPECT_EQ(Grid().Keys(2), "VELT Imager 2");
    EXPECT_EQ(Grid().Values(2), "a=b");
    form_->Show();
    EXPECT_EQ(SendMessageA(Grid().Handle(), LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(ItemText(0, 0), "VELT Imager 1");
    EXPECT_EQ(ItemText(0, 1), "EmfRaster");
    EXPECT_EQ(ItemText(1, 1), "a=b");
    Grid().SetValues(2, "Ask user");
    EXPECT_EQ(ItemText(1, 1), "Ask user");
    char title[64] = "";
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    SendMessageA(Grid().Handle(), LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(title, "Destination application");
    EXPECT_EQ(SendMessageA(Grid().Handle(), LVM_GETCOLUMNWIDTH, 0, 0), form_->Scale(106));
    // The value column reaches the right edge, whatever its width of the table.
    RECT client{};
    GetClientRect(Grid().Handle(), &client);
    EXPECT_EQ(SendMessageA(Grid().Handle(), LVM_GETCOLUMNWIDTH, 1, 0), client.right - form_->Scale(106));
    Grid().Clear();
    EXPECT_EQ(SendMessageA(Grid().Handle(), LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_THROW(Grid().Values(1), std::out_of_range);
}

TEST_F(GridTest, TheListCoversTheSelectedValueCellAndArrowsMoveIt)
{
    AddPickRow("VELT Imager 1=EmfRaster");
    AddPickRow("VELT Imager 2=Ask user");
    Grid().Add({"Plain", "no list"});
    ShowFocused();
    ASSERT_TRUE(Grid().EditorVisible());
    RECT editor = EditorRect();
    RECT cell = ValueCell(1);
    EXPECT_EQ(editor.left, cell.left);
    EXPECT_EQ(editor.top, cell.top);
    EXPECT_EQ(editor.right, cell.right);
    EXPECT_GE(editor.bottom, cell.bottom - 1); // the cell's grid line may show below it
    EXPECT_LE(editor.bottom, cell.bottom);
    EXPECT_EQ(EditorSelection(), 1);

    Key(VK_DOWN);
    EXPECT_EQ(SelectedRow(Grid()), 2);
    EXPECT_EQ(EditorRect().top, ValueCell(2).top);
    EXPECT_EQ(EditorSelection(), 2); // "Ask user"
    Key(VK_END);
    EXPECT_EQ(SelectedRow(Grid()), 3);
    EXPECT_FALSE(Grid().EditorVisible()); // a row without a list has none
    Key(VK_F4);
    EXPECT_EQ(GetFocus(), Grid().Handle());
    Key(VK_HOME);
    EXPECT_EQ(SelectedRow(Grid()), 1);
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), form_->Next.Handle());
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

    Key(VK_DOWN);
    Key(VK_DOWN, true);
    ASSERT_TRUE(Grid().DroppedDown());
    Key(VK_UP);
    Key(VK_RETURN);
    EXPECT_FALSE(Grid().DroppedDown());
    EXPECT_EQ(SelectedRow(Grid()), 2);
    EXPECT_EQ(Grid().Values(2), "EmfRaster");
    EXPECT_EQ(ItemText(1, 1), "EmfRaster");
    EXPECT_EQ(Grid().Values(1), "EmfRaster");
    EXPECT_EQ(GetFocus(), Grid().Handle());
    Key(VK_UP); // rows again once the list is closed
    EXPECT_EQ(SelectedRow(Grid()), 1);
}

TEST_F(GridTest, AClickOnAValueCellSelectsItsRowAndOpensItsList)
{
    AddPickRow("VELT Imager 1=EmfRaster");
    AddPickRow("VELT Imager 2=Ask user");
    ShowFocused();
    const RECT value2 = ValueCell(2);
    const LPARAM at = MAKELPARAM(value2.left + 8, (value2.top + value2.bottom) / 2);
    PostMessageA(Grid().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(Grid().Handle(), WM_LBUTTONUP, 0, at);
    PumpMessages();
    EXPECT_EQ(SelectedRow(Grid()), 2);
    EXPECT_TRUE(Grid().DroppedDown());
    Key(VK_ESCAPE);
    EXPECT_FALSE(Grid().DroppedDown());
    EXPECT_EQ(Grid().Values(2), "Ask user");
}

TEST_F(GridTest, AStoredTextOutsideTheListIsShownAsItIs)
{
    AddPickRow("VELT Imager 1=Fax");
    ShowFocused();
    EXPECT_EQ(EditorSelection(), CB_ERR);
    EXPECT_EQ(SendMessageA(Grid().EditorHandle(), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(ItemText(0, 1), "Fax");
    Key(VK_F4);
    Key(VK_ESCAPE);
    EXPECT_EQ(Grid().Values(1), "Fax");
    EXPECT_EQ(EditorSelection(), CB_ERR);
    Key(VK_F4);
    Key(VK_DOWN);
    Key(VK_RETURN);
    EXPECT_EQ(Grid().Values(1), "SealQueue");
}
