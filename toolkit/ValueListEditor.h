#pragma once
// TValueListEditor: a two-column name/value grid with a title row, as property grids look.
// Names are not editable; a value is changed by choosing from its row's pick list, in a
// drop-down list placed over the selected row's value cell (no free typing).
// Keys: Up/Down, PgUp/PgDn, Home/End move between rows; F4 or Alt+Down opens the list; Tab
// leaves the grid. A click selects a row; a click on a value cell also opens its list.
#include "toolkit/Classes.h"
#include "toolkit/Controls.h"

#include <memory>
#include <string>
#include <vector>

enum class TEditStyle { esSimple, esEllipsis, esPickList };

class TValueListEditor;

// How a row's value is edited. Changes show at once in the grid.
class TItemProp {
public:
    explicit TItemProp(TValueListEditor& owner);
    TItemProp(const TItemProp&) = delete;
    TItemProp& operator=(const TItemProp&) = delete;

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    TEditStyle EditStyle() const { return editStyle_; }
    void SetEditStyle(TEditStyle style);
    // The row's own copy of the texts offered; fill it with Assign or Add.
    TStringList& PickList() { return pickList_; }
    const TStringList& PickList() const { return pickList_; }

private:
    TValueListEditor& owner_;
    bool readOnly_ = false;
    TEditStyle editStyle_ = TEditStyle::esSimple;
    TStringList pickList_;
};

class TValueListEditor : public TControl {
public:
    TValueListEditor(TForm& form, HWND parent, int left, int top, int width, int height);
    ~TValueListEditor() override;

    void SetTitleCaptions(const std::string& keyTitle, const std::string& valueTitle);
    std::string TitleCaptions(int col) const { return col == 0 ? keyTitle_ : valueTitle_; }
    // Widths at 96 DPI; the value column also takes whatever width the grid has beyond them.
    void SetColWidths(int keyWidth, int valueWidth);
    // The widths as laid out now, in pixels.
    int ColWidths(int col) const;
    int RowHeight() const { return rowHeight_; }

    // One "name=value" line per data row; changing it updates the grid. Row properties belong
    // to positions: lines added or removed at the end (or rows added with InsertRow) keep them.
    TStringList& Strings() { return strings_; }
    const TStringList& Strings() const { return strings_; }
    void Clear() { strings_.Clear(); }
    // Adds a row and returns its row number.
    int InsertRow(const std::string& key, const std::string& value, bool append);
    // Row 0 is the title row; data rows are 1 .. RowCount() - 1.
    int RowCount() const { return strings_.Count() + 1; }
    std::string Keys(int row) const;
    std::string Values(int row) const;
    void SetValues(int row, const std::string& value);
    // The properties of the data row at this position among the strings (row - 1).
    TItemProp& ItemProps(int index);

    int Row() const { return row_; }
    void SetRow(int row);
    int TopRow() const { return topRow_; }
    // A cell (column 0 names, 1 values; row 0 the titles) in client pixels.
    RECT CellRect(int col, int row) const;

    // The drop-down list over the selected row's value cell.
    HWND EditorHandle() const { return editor_; }
    bool EditorVisible() const;
    bool DroppedDown() const;
    // Opens the selected row's list, when it has one.
    void DropDown();

    // Runs after the user has chosen a new value for a row.
    TNotifyEvent OnValueChange;

private:
    friend class TItemProp;
    void PropsChanged();
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT WindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void StringsChanged();
    void Layout();
    void UpdateScrollBar();
    void ScrollTo(int topRow);
    void EnsureVisible(int row);
    int VisibleRows() const;
    void PlaceEditor();
    void FillEditor();
    void SyncEditor();
    bool HasPickList(int row) const;
    bool HasFocus() const;
    int RowAt(int y) const;
    bool OnDivider(int x, int y) const;
    void Paint(HDC dc);
    void DrawEditorItem(const DRAWITEMSTRUCT& item);
    void Commit();
    void InvalidateRow(int row);

    std::string keyTitle_;
    std::string valueTitle_;
    int keyWidth96_ = 150;
    int valueWidth96_ = 150;
    int keyWidth_ = 0;
    int rowHeight_ = 18;
    int itemHeight_ = 16;
    int lineWidth_ = 1;
    int row_ = 1;
    int topRow_ = 1;
    bool sizing_ = false;
    TStringList strings_;
    std::vector<std::unique_ptr<TItemProp>> props_;
    HWND editor_ = nullptr;
    int editorRow_ = 0;
};
