#pragma once
// TValueListEditor: a name/value grid made of the platform's report-view list view, so that
// whatever reads list views (a screen reader) reads its rows. Names are not editable; a value is
// chosen from its row's pick list in a drop-down list placed over the selected row's value cell.
// Keys: the list view's own between rows; F4 or Alt+Down opens the list, Enter chooses, Esc keeps;
// Tab leaves the grid. A click on a value cell opens its list.
#include "toolkit/Classes.h"
#include "toolkit/Controls.h"

#include <memory>
#include <string>
#include <vector>

enum class TEditStyle { esSimple, esPickList };

class TValueListEditor;

// How a row's value is edited.
class TItemProp {
public:
    explicit TItemProp(TValueListEditor& owner) : owner_(owner) {}
    TItemProp(const TItemProp&) = delete;
    TItemProp& operator=(const TItemProp&) = delete;

    TEditStyle EditStyle() const { return editStyle_; }
    void SetEditStyle(TEditStyle style);
    // The texts offered; rows may share one list, which the caller keeps alive.
    const TStringList* PickList() const { return pickList_; }
    void SetPickList(const TStringList* pickList);

private:
    TValueListEditor& owner_;
    TEditStyle editStyle_ = TEditStyle::esSimple;
    const TStringList* pickList_ = nullptr;
};

class TValueListEditor : public TControl {
public:
    TValueListEditor(TForm& form, int left, int top, int width, int height);

    void SetTitleCaptions(const std::string& keyTitle, const std::string& valueTitle);
    // Widths at 96 DPI.
    void SetColWidths(int keyWidth, int valueWidth);

    // One "name=value" line per data row; changing it updates the grid. Row properties belong
    // to positions.
    TStringList& Strings() { return strings_; }
    void Clear() { strings_.Clear(); }
    // Row 0 is the title row; data rows are 1 .. RowCount() - 1.
    int RowCount() const { return strings_.Count() + 1; }
    std::string Keys(int row) const;
    std::string Values(int row) const;
    void SetValues(int row, const std::string& value);
    // The properties of the data row at this position among the strings (row - 1).
    TItemProp& ItemProps(int index);
    // The selected data row.
    int Row() const { return row_; }

    // The drop-down list over the selected row's value cell.
    HWND EditorHandle() const { return editor_; }
    bool EditorVisible() const { return editor_ && IsWindowVisible(editor_); }
    bool DroppedDown() const;
    // Opens the selected row's list, when it has one.
    void DropDown();

    bool Notify(NMHDR& header, LRESULT& result) override;

protected:
    void Created() override;

private:
    friend class TItemProp;
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT ListMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void Fill();
    void PlaceEditor();
    void ShowRowValue();
    const TStringList* RowPickList(int row) const;

    std::string keyTitle_;
    std::string valueTitle_;
    int keyWidth_ = 150;
    int valueWidth_ = 150;
    int row_ = 1;
    int itemHeight_ = 16;
    TStringList strings_;
    std::vector<std::unique_ptr<TItemProp>> props_;
    HWND editor_ = nullptr;
    const TStringList* editorList_ = nullptr;
    WNDPROC listProc_ = nullptr;
};
