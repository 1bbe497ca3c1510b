#include "toolkit/ValueListEditor.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace {

constexpr UINT kAfterCloseUp = WM_APP + 0x51;
// Not a dialog id like IDOK: the dialog manager looks for those among all descendants.
constexpr int kEditorId = 0x7E11;

} // namespace

TValueListEditor::TValueListEditor(const TControlDef& def, const char* keyTitle, const char* valueTitle,
    int keyWidth, int valueWidth)
    : TControl(def), titles_{keyTitle, valueTitle}, widths_{keyWidth, valueWidth}
{
}

void TValueListEditor::Created()
{
    SendMessageA(handle_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    SendMessageA(handle_, LVM_SETBKCOLOR, 0, GetSysColor(COLOR_BTNFACE));
    SendMessageA(handle_, LVM_SETTEXTBKCOLOR, 0, GetSysColor(COLOR_BTNFACE));
    TEXTMETRICA metrics{};
    HDC dc = GetDC(handle_);
    HGDIOBJ old = SelectObject(dc, formFont_);
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(handle_, dc);
    itemHeight_ = static_cast<int>(metrics.tmHeight) + Scale(3);
    for (int col = 0; col < 2; ++col) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = Scale(widths_[col]);
        column.pszText = const_cast<char*>(titles_[col]);
        SendMessageA(handle_, LVM_INSERTCOLUMNA, col, reinterpret_cast<LPARAM>(&column));
    }
    SetWindowSubclass(handle_, &TValueListEditor::ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
    editorList_ = nullptr;
    // Owner-drawn, so that a stored text outside the list still shows in the closed list.
    editor_ = CreateWindowExA(0, WC_COMBOBOXA, "",
        WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 0, 0, 10, 10, handle_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorId)), instance_, nullptr);
    SendMessageA(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_), FALSE);
    // Rows as high as the standard grid's, and as the closed list, which then covers a value cell
    // exactly: a list view's rows are as high as its small images. The list view owns the list.
    RECT closed{};
    GetWindowRect(editor_, &closed);
    const int rowHeight = std::max({Scale(18), static_cast<int>(metrics.tmHeight) + Scale(4),
        static_cast<int>(closed.bottom - closed.top)});
    SendMessageA(handle_, LVM_SETIMAGELIST, LVSIL_SMALL,
        reinterpret_cast<LPARAM>(ImageList_Create(1, rowHeight, ILC_COLOR, 1, 0)));
    FitValueColumn();
    Fill();
}

void TValueListEditor::Clear()
{
    rows_.clear();
    Fill();
}

void TValueListEditor::Add(Row row)
{
    rows_.push_back(std::move(row));
    Fill();
}

void TValueListEditor::SetValues(int row, const std::string& value)
{
    rows_.at(static_cast<size_t>(row - 1)).Value = value;
    Fill();
}

void TValueListEditor::Select(int index)
{
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(handle_, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&state));
}

const std::vector<std::string>* TValueListEditor::PickList() const
{
    return row_ >= 1 && row_ < RowCount() ? Rows(row_).PickList : nullptr;
}

// The value column reaches the grid's right edge: no empty stub of a column after it.
void TValueListEditor::FitValueColumn()
{
    RECT client{};
    GetClientRect(handle_, &client);
    const int keyWidth = static_cast<int>(SendMessageA(handle_, LVM_GETCOLUMNWIDTH, 0, 0));
    SendMessageA(handle_, LVM_SETCOLUMNWIDTH, 1, std::max<LPARAM>(Scale(widths_[1]), client.right - keyWidth));
}

void TValueListEditor::Fill()
{
    if (row_ >= RowCount())
        row_ = RowCount() > 1 ? RowCount() - 1 : 1;
    if (!handle_)
        return;
    const int count = static_cast<int>(rows_.size());
    while (SendMessageA(handle_, LVM_GETITEMCOUNT, 0, 0) > count)
        SendMessageA(handle_, LVM_DELETEITEM, count, 0);
    for (int index = 0; index < count; ++index) {
        LVITEMA item{};
        item.iItem = index;
        if (SendMessageA(handle_, LVM_GETITEMCOUNT, 0, 0) <= index)
            SendMessageA(handle_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        const Row& row = rows_[static_cast<size_t>(index)];
        for (const std::string* text : {&row.Name, &row.Value}) {
            item.pszText = const_cast<char*>(text->c_str());
            SendMessageA(handle_, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
            ++item.iSubItem;
        }
    }
    if (count > 0)
        Select(row_ - 1);
    PlaceEditor();
}

void TValueListEditor::PlaceEditor()
{
    if (!editor_)
        return;
    const std::vector<std::string>* list = PickList();
    RECT cell{LVIR_BOUNDS, 1, 0, 0};
    if (!list || !SendMessageA(handle_, LVM_GETSUBITEMRECT, row_ - 1, reinterpret_cast<LPARAM>(&cell))) {
        ShowWindow(editor_, SW_HIDE);
        return;
    }
    if (list != editorList_) {
        editorList_ = list;
        SendMessageA(editor_, CB_RESETCONTENT, 0, 0);
        for (const std::string& text : *list)
            SendMessageA(editor_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    const int items = static_cast<int>(SendMessageA(editor_, CB_GETITEMHEIGHT, 0, 0));
    MoveWindow(editor_, cell.left, cell.top, cell.right - cell.left,
        cell.bottom - cell.top + (static_cast<int>(list->size()) + 1) * items, TRUE);
    ShowRowValue();
    ShowWindow(editor_, SW_SHOW);
}

// The list's selection as the row's value says; none for a text outside the list.
void TValueListEditor::ShowRowValue()
{
    int found = CB_ERR;
    for (size_t i = 0; editorList_ && row_ < RowCount() && i < editorList_->size(); ++i)
        if ((*editorList_)[i] == Values(row_))
            found = static_cast<int>(i);
    SendMessageA(editor_, CB_SETCURSEL, found, 0);
    InvalidateRect(editor_, nullptr, TRUE);
}

void TValueListEditor::DropDown()
{
    if (!EditorVisible())
        return;
    ::SetFocus(editor_);
    SendMessageA(editor_, CB_SHOWDROPDOWN, TRUE, 0);
}

bool TValueListEditor::Notify(NMHDR& header)
{
    if (header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uNewState & LVIS_SELECTED) && change.iItem >= 0 && change.iItem + 1 != row_) {
            row_ = change.iItem + 1;
            PlaceEditor();
        }
    }
    return false;
}

LRESULT CALLBACK TValueListEditor::ListProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR grid)
{
    return reinterpret_cast<TValueListEditor*>(grid)->ListMessage(msg, wParam, lParam);
}

LRESULT TValueListEditor::ListMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_LBUTTONDOWN: {
        // A value cell chooses its row and opens the row's list at once; the list view's own
        // click tracking would move the list under the pointer in the middle of the click.
        LVHITTESTINFO hit{};
        hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (SendMessageA(handle_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0 && hit.iSubItem == 1) {
            ::SetFocus(handle_);
            Select(hit.iItem);
            DropDown();
            return 0;
        }
        break;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 || (wParam == VK_DOWN && (GetKeyState(VK_MENU) < 0 || (lParam & (1 << 29))))) {
            DropDown();
            // The system must see a key after Alt, or Alt's release opens the window menu.
            return msg == WM_SYSKEYDOWN ? DefWindowProcA(handle_, msg, wParam, lParam) : 0;
        }
        break;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == editor_) {
            const int chosen = static_cast<int>(SendMessageA(editor_, CB_GETCURSEL, 0, 0));
            if (HIWORD(wParam) == CBN_SELENDCANCEL)
                ShowRowValue();
            // The choice is taken, and the keys go back to the rows, once the list has closed: a
            // row refilled while the combo box is still closing moves it and keeps its list open.
            if (HIWORD(wParam) == CBN_SELENDOK)
                PostMessageA(handle_, kAfterCloseUp, static_cast<WPARAM>(chosen + 1), 0);
            else if (HIWORD(wParam) == CBN_SELENDCANCEL || HIWORD(wParam) == CBN_CLOSEUP)
                PostMessageA(handle_, kAfterCloseUp, 0, 0);
            return 0;
        }
        break;
    case kAfterCloseUp:
        if (wParam > 0 && editorList_ && wParam <= editorList_->size() && row_ < RowCount())
            SetValues(row_, (*editorList_)[wParam - 1]);
        if (GetFocus() == editor_ && !DroppedDown())
            ::SetFocus(handle_);
        return 0;
    case WM_DRAWITEM: {
        auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item.hwndItem != editor_)
            break;
        const bool selected = (item.itemState & ODS_SELECTED) != 0;
        std::string text = row_ < RowCount() ? Values(row_) : std::string();
        if (editorList_ && item.itemID < editorList_->size())
            text = (*editorList_)[item.itemID];
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        SetBkMode(item.hDC, TRANSPARENT);
        ::SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT rect = item.rcItem;
        rect.left += 2;
        DrawTextA(item.hDC, text.c_str(), static_cast<int>(text.size()), &rect,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return TRUE;
    }
    case WM_MEASUREITEM: {
        auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item.CtlID != kEditorId)
            break;
        item.itemHeight = static_cast<UINT>(itemHeight_);
        return TRUE;
    }
    case WM_SIZE:
        FitValueColumn();
        [[fallthrough]];
    case WM_VSCROLL:
    case WM_MOUSEWHEEL: {
        const LRESULT result = DefSubclassProc(handle_, msg, wParam, lParam);
        PlaceEditor();
        return result;
    }
    }
    return DefSubclassProc(handle_, msg, wParam, lParam);
}
