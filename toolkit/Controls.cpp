#include "toolkit/Controls.h"

#include "toolkit/SysUtils.h"

#include <commctrl.h>

namespace {

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return SendMessageA(GetParent(hwnd), msg, wParam, lParam);
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

} // namespace

TControl::~TControl()
{
    if (handle_ && IsWindow(handle_))
        DestroyWindow(handle_);
}

void TControl::Create(HWND parent, HINSTANCE instance, int dpi, HFONT font)
{
    dpi_ = dpi;
    formFont_ = font;
    instance_ = instance;
    handle_ = CreateWindowExA(def_.ExStyle, def_.Class, text_.c_str(),
        def_.Style | WS_CHILD | WS_VISIBLE | (enabled_ ? 0 : WS_DISABLED), Scale(def_.Left), Scale(def_.Top),
        Scale(def_.Width), Scale(def_.Height), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(def_.Id)),
        instance, nullptr);
    if (!handle_)
        throw Exception(Format("Error creating control of class %s", def_.Class));
    if (!fontFace_.empty())
        SetFont(fontFace_.c_str(), fontHeight_, fontBold_, fontUnderline_);
    else
        SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (Container)
        SetWindowSubclass(handle_, &ContainerProc, 0, 0);
    AutoSize();
    Created();
}

void TControl::SetText(const std::string& text)
{
    text_ = text;
    if (handle_) {
        SetWindowTextA(handle_, text_.c_str());
        AutoSize();
    }
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
    font_.reset(CreateFontA(height < 0 ? -Scale(-height) : Scale(height), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
        underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
        DEFAULT_PITCH | FF_SWISS, face));
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    AutoSize();
}

// A control of no width in the table is as wide and as high as its text in its own font.
void TControl::AutoSize()
{
    if (def_.Width != 0 || !handle_)
        return;
    SIZE size{0, 0};
    HDC dc = GetDC(handle_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(handle_, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc, text_.c_str(), static_cast<int>(text_.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(handle_, dc);
    SetWindowPos(handle_, nullptr, 0, 0, size.cx + 1, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::Command(WORD code)
{
    if ((code == BN_CLICKED || code == STN_CLICKED) && OnClick)
        OnClick();
}

bool TControl::ColorStatic(HDC dc, HBRUSH& brush) const
{
    if (LinkColor == CLR_INVALID)
        return false;
    SetTextColor(dc, LinkColor);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    brush = GetSysColorBrush(COLOR_BTNFACE);
    return true;
}

bool TControl::SetCursor() const
{
    if (LinkColor == CLR_INVALID)
        return false;
    ::SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
    return true;
}
