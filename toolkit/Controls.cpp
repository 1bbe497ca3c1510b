#include "toolkit/Controls.h"

#include <commctrl.h>

TControl::TControl(TForm& form, TControl* parent, const char* windowClass, DWORD style, DWORD exStyle, int left,
                   int top, int width, int height, int id)
    : form_(form), parent_(parent), windowClass_(windowClass), style_(style), exStyle_(exStyle),
      bounds_{left, top, width, height}, id_(id)
{
    form.AddControl(this);
}

TControl::~TControl()
{
    form_.RemoveControl(this);
    if (handle_ && IsWindow(handle_))
        DestroyWindow(handle_);
}

HWND TControl::Handle() const
{
    form_.Handle();
    return handle_;
}

void TControl::CreateHandle()
{
    HWND parent = parent_ ? parent_->handle_ : form_.Handle();
    Creating();
    handle_ = CreateWindowExA(exStyle_, windowClass_, text_.c_str(),
        style_ | WS_CHILD | WS_VISIBLE | (enabled_ ? 0 : WS_DISABLED), form_.Scale(bounds_.left),
        form_.Scale(bounds_.top), form_.Scale(bounds_.right), form_.Scale(bounds_.bottom), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), Application->Instance(), nullptr);
    if (!handle_)
        throw Exception(Format("Error creating control of class %s", windowClass_));
    if (!fontFace_.empty())
        SetFont(fontFace_.c_str(), fontHeight_, fontBold_, fontUnderline_);
    else
        SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(form_.Font()), FALSE);
    Created();
}

void TControl::SetText(const std::string& text)
{
    text_ = text;
    if (handle_)
        SetWindowTextA(handle_, text_.c_str());
}

void TControl::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    if (handle_)
        EnableWindow(handle_, enabled);
}

void TControl::SetFont(const char* face, int height, bool bold, bool underline)
{
    fontFace_ = face;
    fontHeight_ = height;
    fontBold_ = bold;
    fontUnderline_ = underline;
    if (!handle_)
        return;
    const int pixels = height < 0 ? -form_.Scale(-height) : form_.Scale(height);
    font_.reset(CreateFontA(pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face));
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

void TControl::Command(WORD code)
{
    if ((code == BN_CLICKED || code == STN_CLICKED) && OnClick)
        OnClick();
}

bool TControl::ColorStatic(HDC dc, HBRUSH& brush)
{
    if (!hasTextColor_)
        return false;
    ::SetTextColor(dc, textColor_);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    brush = GetSysColorBrush(COLOR_BTNFACE);
    return true;
}

TLabel::TLabel(TForm& form, int left, int top, const std::string& caption)
    : TControl(form, nullptr, "STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0, left, top, 1, 1)
{
    KeepText(caption);
}

void TLabel::SetCaption(const std::string& caption)
{
    SetText(caption);
    if (handle_)
        AutoSize();
}

void TLabel::AutoSize()
{
    // The caption's extent in the label's own font.
    SIZE size{0, 0};
    HDC dc = GetDC(handle_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(handle_, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc, Text().c_str(), static_cast<int>(Text().size()), &size);
    SelectObject(dc, old);
    ReleaseDC(handle_, dc);
    SetWindowPos(handle_, nullptr, 0, 0, size.cx + 1, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TLabel::SetCursor()
{
    if (!HandCursor)
        return false;
    ::SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
    return true;
}

TStaticText::TStaticText(TForm& form, int left, int top, int width, int height)
    : TControl(form, nullptr, "STATIC", SS_LEFT | SS_NOPREFIX | SS_SUNKEN | SS_LEFTNOWORDWRAP, 0, left, top, width,
               height)
{
}

TEdit::TEdit(TForm& form, int left, int top, int width, int height, bool readOnly)
    : TControl(form, nullptr, "EDIT", ES_AUTOHSCROLL | WS_TABSTOP | (readOnly ? ES_READONLY : 0), WS_EX_CLIENTEDGE,
               left, top, width, height)
{
}

TButton::TButton(TForm& form, TControl* parent, int left, int top, int width, int height, const std::string& caption,
                 int id, bool isDefault)
    : TControl(form, parent, "BUTTON", WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, left, top,
               width, height, id)
{
    KeepText(caption);
}

void TButton::Command(WORD code)
{
    if (code != BN_CLICKED)
        return;
    if (OnClick)
        OnClick();
    if (ModalResult != mrNone)
        form_.SetModalResult(ModalResult);
}

namespace {

// A panel passes its children's notifications on to the form and draws a raised bevel.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_SETCURSOR:
        if (msg != WM_SETCURSOR || reinterpret_cast<HWND>(wParam) != hwnd)
            return SendMessageA(GetParent(hwnd), msg, wParam, lParam);
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rect;
        GetClientRect(hwnd, &rect);
        DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
        EndPaint(hwnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

const char kPanelClass[] = "TPanel";

} // namespace

void TPanel::Creating()
{
    const char* name = kPanelClass;
    WNDCLASSEXA wc{};
    if (!GetClassInfoExA(Application->Instance(), name, &wc)) {
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = PanelProc;
        wc.hInstance = Application->Instance();
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = name;
        RegisterClassExA(&wc);
    }
}

TPanel::TPanel(TForm& form, int height)
    : TControl(form, nullptr, kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, 0, 0, 10, height)
{
    Align = TAlign::alBottom;
    AlignHeight = height;
}

TStatusBar::TStatusBar(TForm& form)
    : TControl(form, nullptr, STATUSCLASSNAMEA, CCS_BOTTOM, 0, 0, 0, 0, 19)
{
    Align = TAlign::alBottom;
    AlignHeight = 19;
}

void TStatusBar::Created()
{
    // One part across the whole bar: it reads back as part 0 from other processes too.
    int right = -1;
    SendMessageA(handle_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
    SendMessageA(handle_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(Text().c_str()));
}

void TStatusBar::SetSimpleText(const std::string& text)
{
    KeepText(text);
    if (handle_)
        SendMessageA(handle_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(Text().c_str()));
}
