#include "toolkit/ValueListEditor.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

namespace {

constexpr UINT kAfterCloseUp = WM_APP + 0x51;
// Not a dialog id like IDOK: the dialog manager looks for those among all descendants.
constexpr int kEditorId = 0x7E11;

const char* GridClass()
{
    static const char name[] = "TValueListEditor";
    WNDCLASSEXA wc{};
    if (!GetClassInfoExA(Application->Instance(), name, &wc)) {
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = Application->Instance();
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = name;
        RegisterClassExA(&wc);
    }
    return name;
}

void FillSolid(HDC dc, const RECT& rect, int colorIndex)
{
    FillRect(dc, &rect, GetSysColorBrush(colorIndex));
}

void DrawCellText(HDC dc, RECT rect, const std::string& text, int inset)
{
    rect.left += inset;
    rect.right -= inset;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect,
        DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

} // namespace

TItemProp::TItemProp(TValueListEditor& owner)
    : owner_(owner)
{
    pickList_.OnChange = [this] { owner_.PropsChanged(); };
}

void TItemProp::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    owner_.PropsChanged();
}

void TItemProp::SetEditStyle(TEditStyle style)
{
    editStyle_ = style;
    owner_.PropsChanged();
}

TValueListEditor::TValueListEditor(TForm& form, HWND parent, int left, int top, int width, int height)
    : TControl(form, parent, GridClass(), WS_TABSTOP | WS_VSCROLL | WS_CLIPCHILDREN, WS_EX_CLIENTEDGE, left, top, width,
        height)
{
    SetWindowLongPtrA(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TValueListEditor::WndProc));

    // Rows as high as the standard grid's, or higher when the font needs it.
    HDC dc = GetDC(handle_);
    HGDIOBJ old = SelectObject(dc, form.Font());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(handle_, dc);
    lineWidth_ = std::max(1, form.Scale(1));
    rowHeight_ = std::max(form.Scale(18), static_cast<int>(metrics.tmHeight) + form.Scale(4));
    itemHeight_ = static_cast<int>(metrics.tmHeight) + form.Scale(3);

    editor_ = CreateWindowExA(0, "COMBOBOX", "",
        WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 0, 0, form.Scale(100),
        rowHeight_ * 8, handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorId)), Application->Instance(),
        nullptr);
    if (!editor_)
        throw Exception("Error creating control of class COMBOBOX");
    SendMessageA(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(form.Font()), FALSE);
    // The closed list fills the cell exactly: the field is the row less the combo's own frame.
    RECT frame{};
    GetWindowRect(editor_, &frame);
    const int field = static_cast<int>(SendMessageA(editor_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    const int chrome = (frame.bottom - frame.top) - field;
    int wanted = std::max(1, rowHeight_ - chrome);
    SendMessageA(editor_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), wanted);
    // Some combo boxes add padding of their own to the height asked: take it off once more.
    GetWindowRect(editor_, &frame);
    wanted -= (frame.bottom - frame.top) - rowHeight_;
    if (wanted > 0 && frame.bottom - frame.top != rowHeight_)
        SendMessageA(editor_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), wanted);

    strings_.OnChange = [this] { StringsChanged(); };
    Layout();
}

TValueListEditor::~TValueListEditor()
{
    strings_.OnChange = nullptr;
    if (IsWindow(handle_)) {
        SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
        SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
    }
}

LRESULT CALLBACK TValueListEditor::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* grid = reinterpret_cast<TValueListEditor*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!grid)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    // No exception may unwind through the system's code.
    try {
        return grid->WindowMessage(msg, wParam, lParam);
    } catch (...) {
        Application->HandleException();
        return 0;
    }
}

void TValueListEditor::SetTitleCaptions(const std::string& keyTitle, const std::string& valueTitle)
{
    keyTitle_ = keyTitle;
    valueTitle_ = valueTitle;
    InvalidateRect(handle_, nullptr, FALSE);
}

void TValueListEditor::SetColWidths(int keyWidth, int valueWidth)
{
    keyWidth96_ = keyWidth;
    valueWidth96_ = valueWidth;
    Layout();
}

int TValueListEditor::ColWidths(int col) const
{
    if (col == 0)
        return keyWidth_;
    RECT client{};
    GetClientRect(handle_, &client);
    const int rest = client.right - keyWidth_ - 2 * lineWidth_;
    return std::max(form_.Scale(valueWidth96_), rest);
}

int TValueListEditor::InsertRow(const std::string& key, const std::string& value, bool append)
{
    const int index = append || strings_.Count() == 0 ? strings_.Count() : row_ - 1;
    // The new row's properties go in first, so that the rows after it keep theirs.
    props_.insert(props_.begin() + index, std::make_unique<TItemProp>(*this));
    try {
        strings_.Insert(index, key + "=" + value);
    } catch (...) {
        props_.erase(props_.begin() + index);
        throw;
    }
    return index + 1;
}

std::string TValueListEditor::Keys(int row) const
{
    return strings_.Names(row - 1);
}

std::string TValueListEditor::Values(int row) const
{
    return strings_.ValueFromIndex(row - 1);
}

void TValueListEditor::SetValues(int row, const std::string& value)
{
    strings_.SetStrings(row - 1, Keys(row) + "=" + value);
}

TItemProp& TValueListEditor::ItemProps(int index)
{
    if (index < 0 || index >= strings_.Count())
        throw EStringListError(Format("List index out of bounds (%d)", index));
    return *props_[static_cast<size_t>(index)];
}

void TValueListEditor::PropsChanged()
{
    PlaceEditor();
    InvalidateRect(handle_, nullptr, FALSE);
}

void TValueListEditor::StringsChanged()
{
    const size_t count = static_cast<size_t>(strings_.Count());
    while (props_.size() < count)
        props_.push_back(std::make_unique<TItemProp>(*this));
    props_.resize(count);
    row_ = std::min(std::max(row_, 1), std::max(1, strings_.Count()));
    topRow_ = std::min(std::max(topRow_, 1), std::max(1, strings_.Count() - VisibleRows() + 1));
    UpdateScrollBar();
    PlaceEditor();
    InvalidateRect(handle_, nullptr, FALSE);
}

int TValueListEditor::VisibleRows() const
{
    RECT client{};
    GetClientRect(handle_, &client);
    const int pitch = rowHeight_ + lineWidth_;
    return std::max(1, static_cast<int>(client.bottom - pitch) / pitch);
}

void TValueListEditor::Layout()
{
    keyWidth_ = form_.Scale(keyWidth96_);
    UpdateScrollBar();
    PlaceEditor();
    InvalidateRect(handle_, nullptr, FALSE);
}

void TValueListEditor::UpdateScrollBar()
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 1;
    info.nMax = std::max(1, strings_.Count());
    info.nPage = static_cast<UINT>(VisibleRows());
    info.nPos = topRow_;
    SetScrollInfo(handle_, SB_VERT, &info, TRUE);
}

void TValueListEditor::ScrollTo(int topRow)
{
    const int last = std::max(1, strings_.Count() - VisibleRows() + 1);
    topRow = std::min(std::max(topRow, 1), last);
    if (topRow == topRow_)
        return;
    topRow_ = topRow;
    UpdateScrollBar();
    PlaceEditor();
    InvalidateRect(handle_, nullptr, FALSE);
}

void TValueListEditor::EnsureVisible(int row)
{
    if (row < topRow_)
        ScrollTo(row);
    else if (row >= topRow_ + VisibleRows())
        ScrollTo(row - VisibleRows() + 1);
}

RECT TValueListEditor::CellRect(int col, int row) const
{
    const int pitch = rowHeight_ + lineWidth_;
    RECT rect{};
    rect.left = col == 0 ? 0 : keyWidth_ + lineWidth_;
    rect.right = rect.left + ColWidths(col);
    rect.top = row == 0 ? 0 : pitch * (1 + row - topRow_);
    rect.bottom = rect.top + rowHeight_;
    return rect;
}

int TValueListEditor::RowAt(int y) const
{
    const int pitch = rowHeight_ + lineWidth_;
    if (y < pitch)
        return 0;
    const int row = topRow_ + y / pitch - 1;
    return row <= strings_.Count() ? row : -1;
}

bool TValueListEditor::OnDivider(int x, int y) const
{
    const int grip = form_.Scale(3);
    return y >= 0 && y < rowHeight_ && x >= keyWidth_ - grip && x <= keyWidth_ + lineWidth_ + grip;
}

bool TValueListEditor::HasPickList(int row) const
{
    if (row < 1 || row > strings_.Count() || static_cast<size_t>(row) > props_.size())
        return false;
    const TItemProp& props = *props_[static_cast<size_t>(row - 1)];
    return props.EditStyle() == TEditStyle::esPickList && props.PickList().Count() > 0;
}

bool TValueListEditor::HasFocus() const
{
    HWND focus = GetFocus();
    return focus && (focus == handle_ || focus == editor_);
}

bool TValueListEditor::EditorVisible() const
{
    return IsWindowVisible(editor_) != FALSE;
}

bool TValueListEditor::DroppedDown() const
{
    return SendMessageA(editor_, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
}

void TValueListEditor::SetRow(int row)
{
    row = std::min(std::max(row, 1), std::max(1, strings_.Count()));
    if (DroppedDown())
        SendMessageA(editor_, CB_SHOWDROPDOWN, FALSE, 0);
    const int old = row_;
    row_ = row;
    EnsureVisible(row_);
    if (old != row_) {
        InvalidateRow(old);
        InvalidateRow(row_);
    }
    PlaceEditor();
}

void TValueListEditor::InvalidateRow(int row)
{
    RECT client{};
    GetClientRect(handle_, &client);
    RECT rect = CellRect(0, row);
    rect.right = client.right;
    InvalidateRect(handle_, &rect, FALSE);
}

void TValueListEditor::PlaceEditor()
{
    if (!editor_)
        return;
    const bool shown = HasPickList(row_) && row_ >= topRow_ && row_ < topRow_ + VisibleRows();
    if (!shown) {
        if (GetFocus() == editor_)
            ::SetFocus(handle_);
        ShowWindow(editor_, SW_HIDE);
        editorRow_ = 0;
        return;
    }
    // Moving an open list would close it without a word: it stays until it is closed.
    if (DroppedDown())
        return;
    editorRow_ = row_;
    FillEditor();
    const RECT cell = CellRect(1, row_);
    const int items = std::min(8, ItemProps(row_ - 1).PickList().Count());
    // The height given is the dropped height: the cell and its list.
    SetWindowPos(editor_, HWND_TOP, cell.left, cell.top, cell.right - cell.left,
        rowHeight_ + items * itemHeight_ + form_.Scale(4), SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(editor_, nullptr, FALSE);
}

void TValueListEditor::FillEditor()
{
    SendMessageA(editor_, CB_RESETCONTENT, 0, 0);
    const TStringList& pick = ItemProps(editorRow_ - 1).PickList();
    for (int i = 0; i < pick.Count(); ++i)
        SendMessageA(editor_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pick[i].c_str()));
    SyncEditor();
}

void TValueListEditor::SyncEditor()
{
    if (editorRow_ < 1 || editorRow_ > strings_.Count())
        return;
    // Only an exact match selects an entry: any other stored text is shown as it is.
    const std::string value = Values(editorRow_);
    const TStringList& pick = ItemProps(editorRow_ - 1).PickList();
    int selected = -1;
    for (int i = 0; i < pick.Count() && selected < 0; ++i)
        if (pick[i] == value)
            selected = i;
    SendMessageA(editor_, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    InvalidateRect(editor_, nullptr, FALSE);
}

void TValueListEditor::DropDown()
{
    if (!HasPickList(row_) || !IsWindowEnabled(handle_))
        return;
    EnsureVisible(row_);
    PlaceEditor();
    ::SetFocus(editor_);
    SendMessageA(editor_, CB_SHOWDROPDOWN, TRUE, 0);
}

void TValueListEditor::Commit()
{
    if (editorRow_ < 1 || editorRow_ > strings_.Count())
        return;
    const int selected = static_cast<int>(SendMessageA(editor_, CB_GETCURSEL, 0, 0));
    const TStringList& pick = ItemProps(editorRow_ - 1).PickList();
    if (selected < 0 || selected >= pick.Count())
        return;
    const std::string value = pick[selected];
    if (value == Values(editorRow_))
        return;
    SetValues(editorRow_, value);
    if (OnValueChange)
        OnValueChange();
}

void TValueListEditor::Paint(HDC dc)
{
    RECT client{};
    GetClientRect(handle_, &client);
    FillSolid(dc, client, COLOR_BTNFACE);
    HGDIOBJ oldFont = SelectObject(dc, form_.Font());
    SetBkMode(dc, TRANSPARENT);
    const int inset = form_.Scale(2);
    const bool enabled = IsWindowEnabled(handle_) != FALSE;
    const bool focused = HasFocus();

    auto drawLines = [&](const RECT& cell, int colorIndex) {
        RECT right{cell.right, cell.top, cell.right + lineWidth_, cell.bottom + lineWidth_};
        RECT bottom{cell.left, cell.bottom, cell.right + lineWidth_, cell.bottom + lineWidth_};
        FillSolid(dc, right, colorIndex);
        FillSolid(dc, bottom, colorIndex);
    };

    for (int col = 0; col < 2; ++col) {
        RECT cell = CellRect(col, 0);
        ::SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawCellText(dc, cell, TitleCaptions(col), inset);
        DrawEdge(dc, &cell, BDR_RAISEDINNER, BF_RECT);
        drawLines(cell, COLOR_3DDKSHADOW);
    }
    for (int row = topRow_; row <= strings_.Count(); ++row) {
        const RECT key = CellRect(0, row);
        if (key.top >= client.bottom)
            break;
        const RECT value = CellRect(1, row);
        const bool selected = row == row_ && focused;
        if (selected)
            FillSolid(dc, key, COLOR_HIGHLIGHT);
        ::SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT));
        DrawCellText(dc, key, Keys(row), inset);
        if (selected && GetFocus() == handle_)
            DrawFocusRect(dc, &key);
        if (!(row == editorRow_ && EditorVisible())) {
            ::SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
            DrawCellText(dc, value, Values(row), inset);
        }
        drawLines(key, COLOR_BTNSHADOW);
        drawLines(value, COLOR_BTNSHADOW);
    }
    SelectObject(dc, oldFont);
}

void TValueListEditor::DrawEditorItem(const DRAWITEMSTRUCT& item)
{
    const bool field = (item.itemState & ODS_COMBOBOXEDIT) != 0;
    std::string text;
    if (item.itemID != static_cast<UINT>(-1)) {
        const LRESULT length = SendMessageA(editor_, CB_GETLBTEXTLEN, item.itemID, 0);
        if (length != CB_ERR) {
            std::vector<char> buffer(static_cast<size_t>(length) + 1);
            SendMessageA(editor_, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(buffer.data()));
            text = buffer.data();
        }
    } else if (field && editorRow_ >= 1 && editorRow_ <= strings_.Count()) {
        text = Values(editorRow_);
    }
    const bool highlight = field ? GetFocus() == editor_ : (item.itemState & ODS_SELECTED) != 0;
    HDC dc = item.hDC;
    FillSolid(dc, item.rcItem, highlight ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    SetBkMode(dc, TRANSPARENT);
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    ::SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : highlight ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawCellText(dc, item.rcItem, text, form_.Scale(2));
}

LRESULT TValueListEditor::WindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_GETDLGCODE:
        // Arrows move between rows; Tab, Enter and Esc stay the dialog's.
        return DLGC_WANTARROWS;
    case WM_SIZE:
        Layout();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        RECT client{};
        GetClientRect(handle_, &client);
        // Drawn off screen first: no flicker while rows change.
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max(1L, client.right), std::max(1L, client.bottom));
        HGDIOBJ old = SelectObject(memory, bitmap);
        Paint(memory);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        EndPaint(handle_, &ps);
        return 0;
    }
    case WM_ENABLE:
        EnableWindow(editor_, static_cast<BOOL>(wParam));
        InvalidateRect(handle_, nullptr, FALSE);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRow(row_);
        InvalidateRect(editor_, nullptr, FALSE);
        return 0;
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_UP:
            SetRow(row_ - 1);
            return 0;
        case VK_DOWN:
            SetRow(row_ + 1);
            return 0;
        case VK_PRIOR:
            SetRow(row_ - VisibleRows());
            return 0;
        case VK_NEXT:
            SetRow(row_ + VisibleRows());
            return 0;
        case VK_HOME:
            SetRow(1);
            return 0;
        case VK_END:
            SetRow(strings_.Count());
            return 0;
        case VK_F4:
            DropDown();
            return 0;
        }
        break;
    case WM_SYSKEYDOWN:
        if (wParam == VK_DOWN) {
            DropDown();
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const int x = GET_X_LPARAM(lParam);
        const int y = GET_Y_LPARAM(lParam);
        ::SetFocus(handle_);
        if (OnDivider(x, y)) {
            sizing_ = true;
            SetCapture(handle_);
            return 0;
        }
        const int row = RowAt(y);
        if (row >= 1) {
            SetRow(row);
            if (x > keyWidth_)
                DropDown();
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (sizing_) {
            RECT client{};
            GetClientRect(handle_, &client);
            const int margin = form_.Scale(16);
            keyWidth_ = std::max(
                margin, std::min(static_cast<int>(GET_X_LPARAM(lParam)), static_cast<int>(client.right) - margin));
            keyWidth96_ = MulDiv(keyWidth_, 96, form_.Dpi());
            PlaceEditor();
            InvalidateRect(handle_, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONUP:
        if (sizing_)
            ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        sizing_ = false;
        return 0;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == handle_ && LOWORD(lParam) == HTCLIENT) {
            POINT point{};
            GetCursorPos(&point);
            ScreenToClient(handle_, &point);
            if (sizing_ || OnDivider(point.x, point.y)) {
                ::SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZEWE)));
                return TRUE;
            }
        }
        break;
    case WM_VSCROLL: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        GetScrollInfo(handle_, SB_VERT, &info);
        int top = topRow_;
        switch (LOWORD(wParam)) {
        case SB_LINEUP:
            --top;
            break;
        case SB_LINEDOWN:
            ++top;
            break;
        case SB_PAGEUP:
            top -= VisibleRows();
            break;
        case SB_PAGEDOWN:
            top += VisibleRows();
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            top = info.nTrackPos;
            break;
        case SB_TOP:
            top = 1;
            break;
        case SB_BOTTOM:
            top = strings_.Count();
            break;
        }
        ScrollTo(top);
        return 0;
    }
    case WM_MOUSEWHEEL:
        ScrollTo(topRow_ - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
        return 0;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == editor_) {
            switch (HIWORD(wParam)) {
            case CBN_SELENDOK:
                Commit();
                PostMessageA(handle_, kAfterCloseUp, 0, 0);
                break;
            case CBN_SELCHANGE:
                if (!DroppedDown())
                    Commit();
                break;
            case CBN_SELENDCANCEL:
            case CBN_CLOSEUP:
                // The notices of one closing come in no fixed order: settle after the last.
                PostMessageA(handle_, kAfterCloseUp, 0, 0);
                break;
            case CBN_SETFOCUS:
            case CBN_KILLFOCUS:
                InvalidateRow(row_);
                InvalidateRect(editor_, nullptr, FALSE);
                break;
            }
            return 0;
        }
        break;
    case kAfterCloseUp:
        if (DroppedDown())
            return 0;
        PlaceEditor();
        if (GetFocus() == editor_)
            ::SetFocus(handle_);
        return 0;
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType == ODT_COMBOBOX) {
            measure->itemHeight = static_cast<UINT>(itemHeight_);
            return TRUE;
        }
        break;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_COMBOBOX && item->hwndItem == editor_) {
            DrawEditorItem(*item);
            return TRUE;
        }
        break;
    }
    }
    return DefWindowProcA(handle_, msg, wParam, lParam);
}
