#include "toolkit/Controls.h"

#include <commctrl.h>

#include <vector>

TControl::TControl(TForm& form, HWND parent, const char* windowClass, DWORD style, DWORD exStyle, int left, int top,
                   int width, int height, int id)
    : form_(form)
{
    handle_ = CreateWindowExA(exStyle, windowClass, "", style | WS_CHILD | WS_VISIBLE, form.Scale(left),
                              form.Scale(top), form.Scale(width), form.Scale(height), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Application->Instance(), nullptr);
    if (!handle_)
        throw Exception(Format("Error creating control of class %s", windowClass));
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(form.Font()), FALSE);
    form.AddControl(this);
}

TControl::~TControl()
{
    form_.RemoveControl(this);
    if (IsWindow(handle_))
        DestroyWindow(handle_);
}

void TControl::SetText(const std::string& text)
{
    SetWindowTextA(handle_, text.c_str());
}

std::string TControl::Text() const
{
    std::string text(GetWindowTextLengthA(handle_) + 1, '\0');
    text.resize(GetWindowTextA(handle_, &text[0], static_cast<int>(text.size())));
    return text;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    MoveWindow(handle_, form_.Scale(left), form_.Scale(top), form_.Scale(width), form_.Scale(height), TRUE);
}

void TControl::SetFont(const char* face, int height, bool bold, bool underline)
{
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

namespace {

SIZE TextExtent(HWND hwnd, const std::string& text)
{
    SIZE size{0, 0};
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return size;
}

} // namespace

TLabel::TLabel(TForm& form, HWND parent, int left, int top, const std::string& caption)
    : TControl(form, parent, "STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0, left, top, 1, 1)
{
    SetCaption(caption);
}

void TLabel::SetCaption(const std::string& caption)
{
    SetText(caption);
    // Auto-size to the caption in the label's own font.
    RECT rect{};
    GetWindowRect(handle_, &rect);
    MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&rect), 2);
    const SIZE size = TextExtent(handle_, caption);
    MoveWindow(handle_, rect.left, rect.top, size.cx + 1, size.cy, TRUE);
}

bool TLabel::SetCursor()
{
    if (!HandCursor)
        return false;
    ::SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
    return true;
}

TStaticText::TStaticText(TForm& form, HWND parent, int left, int top, int width, int height)
    : TControl(form, parent, "STATIC", SS_LEFT | SS_NOPREFIX | SS_SUNKEN | SS_LEFTNOWORDWRAP, 0, left, top, width,
               height)
{
}

TEdit::TEdit(TForm& form, HWND parent, int left, int top, int width, int height, bool readOnly)
    : TControl(form, parent, "EDIT", ES_AUTOHSCROLL | WS_TABSTOP | (readOnly ? ES_READONLY : 0), WS_EX_CLIENTEDGE,
               left, top, width, height)
{
}

TButton::TButton(TForm& form, HWND parent, int left, int top, int width, int height, const std::string& caption,
                 int id, bool isDefault)
    : TControl(form, parent, "BUTTON", WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, left, top,
               width, height, id)
{
    SetText(caption);
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

const char* PanelClass()
{
    static const char name[] = "TPanel";
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
    return name;
}

} // namespace

TPanel::TPanel(TForm& form, HWND parent, int height)
    : TControl(form, parent, PanelClass(), WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, 0, 0, 10, height)
{
    Align = TAlign::alBottom;
    AlignHeight = height;
}

TStatusBar::TStatusBar(TForm& form, HWND parent)
    : TControl(form, parent, STATUSCLASSNAMEA, CCS_BOTTOM, 0, 0, 0, 0, 19)
{
    Align = TAlign::alBottom;
    AlignHeight = 19;
    // One part across the whole bar: it reads back as part 0 from other processes too.
    int right = -1;
    SendMessageA(handle_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
}

void TStatusBar::SetSimpleText(const std::string& text)
{
    text_ = text;
    SendMessageA(handle_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text_.c_str()));
}
