#pragma once
// TValueListEditor: a name/value grid made of the platform's report-view list view, so that
// whatever reads list views (a screen reader) reads its rows. Names are not editable; a value is
// chosen from its row's pick list in a drop-down list placed over the selected row's value cell.
// Keys: the list view's own between rows; F4 or Alt+Down opens the list, Enter chooses, Esc keeps;
// Tab leaves the grid. A click on a value cell opens its list.
#include "toolkit/Controls.h"

#include <string>
#include <vector>

class TValueListEditor : public TControl {
public:
    // A data row; rows may share one pick list, which the caller keeps alive. Without a list the
    // value is only shown.
    struct Row {
        std::string Name;
        std::string Value;
        const std::vector<std::string>* PickList = nullptr;
    };

    TValueListEditor(const TControlDef& def, const char* keyTitle, const char* valueTitle, int keyWidth,
        int valueWidth);

    void Clear();
    void Add(Row row);
    // Row 0 is the title row; data rows are 1 .. RowCount() - 1.
    int RowCount() const { return static_cast<int>(rows_.size()) + 1; }
    const Row& Rows(int row) const { return rows_.at(static_cast<size_t>(row - 1)); }
    const std::string& Keys(int row) const { return Rows(row).Name; }
    const std::string& Values(int row) const { return Rows(row).Value; }
    void SetValues(int row, const std::string& value);

    // The drop-down list over the selected row's value cell.
    HWND EditorHandle() const { return editor_; }
    bool EditorVisible() const { return editor_ && IsWindowVisible(editor_); }
    bool DroppedDown() const { return editor_ && SendMessageA(editor_, CB_GETDROPPEDSTATE, 0, 0); }
    // Opens the selected row's list, when it has one.
    void DropDown();

    bool Notify(NMHDR& header) override;

protected:
    void Created() override;

private:
    static LRESULT CALLBACK ListProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR grid);
    LRESULT ListMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void Fill();
    void FitValueColumn();
    void PlaceEditor();
    // Selects and focuses a list view item (row - 1).
    void Select(int index);
    void ShowRowValue();
    const std::vector<std::string>* PickList() const;

    const char* titles_[2];
    int widths_[2];
    int row_ = 1;
    int itemHeight_ = 16;
    std::vector<Row> rows_;
    HWND editor_ = nullptr;
    const std::vector<std::string>* editorList_ = nullptr;
};
