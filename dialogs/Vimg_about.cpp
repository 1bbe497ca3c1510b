#include "dialogs/Vimg_about.h"

#include "dialogs/DialogResources.h"
#include "support/Vsupport1.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

TAboutForm* AboutForm = nullptr;

const char* const kMakerSiteAddress = "https://www.velt-korvel.example/";
const char* const kMakerCompanyName = "VELT Korvel";

namespace {

constexpr int kFirstYear = 2019;

TFormStyle AboutStyle()
{
    TFormStyle style;
    style.ClassName = "TAboutForm";
    style.Caption = "About";
    style.ClientWidth = 460;
    style.ClientHeight = 180;
    style.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    style.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    style.Dialog = true;
    return style;
}

// The logo at the form's scale, its background (the colour of the bottom-left pixel) turned
// into the button face, so that it sits on the dialog as a transparent picture.
HBITMAP LoadLogo(const TForm& form)
{
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return nullptr;
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    const int width = info.bmWidth;
    const int height = info.bmHeight;
    BITMAPINFO layout{};
    layout.bmiHeader.biSize = sizeof layout.bmiHeader;
    layout.bmiHeader.biWidth = width;
    layout.bmiHeader.biHeight = -height;
    layout.bmiHeader.biPlanes = 1;
    layout.bmiHeader.biBitCount = 32;
    layout.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    HDC screen = GetDC(nullptr);
    if (width > 0 && height > 0
        && GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &layout, DIB_RGB_COLORS) == height) {
        const DWORD background = pixels[static_cast<size_t>(height - 1) * static_cast<size_t>(width)] & 0xFFFFFF;
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        const DWORD replacement = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
        for (DWORD& pixel : pixels)
            if ((pixel & 0xFFFFFF) == background)
                pixel = replacement;
        SetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &layout, DIB_RGB_COLORS);
    }
    ReleaseDC(nullptr, screen);
    if (form.Dpi() != 96) {
        HBITMAP scaled = static_cast<HBITMAP>(
            CopyImage(bitmap, IMAGE_BITMAP, form.Scale(width), form.Scale(height), LR_CREATEDIBSECTION));
        if (scaled) {
            DeleteObject(bitmap);
            bitmap = scaled;
        }
    }
    return bitmap;
}

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;

} // namespace

std::string LegalNoticeText(int year)
{
    if (year <= kFirstYear)
        return Format("Copyright (C) %d VELT Korvel", kFirstYear);
    return Format("Copyright (C) %d-%d VELT Korvel", kFirstYear, year);
}

// Button1 is made first: first in tab order.
TAboutForm::TAboutForm()
    : TForm(AboutStyle())
    , Button1({"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 320, 144, 75, 25, IDOK, "OK"})
    , Image1({"STATIC", SS_BITMAP, 0, 4, 4, 146, 129, 0, ""})
    , Label5({"STATIC", kLabel, 0, 160, 8, 0, 0, 0, "VELT Korvel"})
    , Label6({"STATIC", kLabel, 0, 160, 28, 0, 0, 0, ""})
    , LabelEdition({"STATIC", kLabel, 0, 160, 56, 0, 0, 0, "Standard Edition"})
    , LabelVersion({"STATIC", kLabel, 0, 160, 84, 0, 0, 0, ""})
    , LabelLegal({"STATIC", kLabel, 0, 160, 104, 0, 0, 0, ""})
    , Label3({"STATIC", kLabel | SS_NOTIFY, 0, 320, 124, 0, 0, 0, kMakerCompanyName})
{
    AddControls({&Button1, &Image1, &Label5, &Label6, &LabelEdition, &LabelVersion, &LabelLegal, &Label3});
    Label5.SetFont("Arial", -16, true);
    Label6.SetFont("Arial", -21, true);
    LabelEdition.SetFont("Arial", -16, true);
    Label3.SetFont("MS Sans Serif", -11, false, true);
    Label3.LinkColor = RGB(0, 0, 255);
    Label3.OnClick = [this] { Label3Click(); };
    Button1.OnClick = [this] { Button1Click(); };
}

void TAboutForm::HandleCreated()
{
    logo_.reset(LoadLogo(*this));
    SendMessageA(Image1.Handle(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo_.get()));
    hint_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, App().Instance(),
        nullptr);
    if (hint_) {
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(Label3.Handle());
        tool.lpszText = const_cast<char*>(kMakerSiteAddress);
        SendMessageA(hint_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

TAboutForm::~TAboutForm()
{
    if (Image1.Handle())
        SendMessageA(Image1.Handle(), STM_SETIMAGE, IMAGE_BITMAP, 0);
}

void TAboutForm::FormShow()
{
    SetCaption("About " + Application->Title());
    Label6.SetText(Application->Title());
    std::string version;
    GetFileVersionText(nullptr, version);
    LabelVersion.SetText("Program version: " + version);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    LabelLegal.SetText(LegalNoticeText(now.wYear));
}

void TAboutForm::FormClose(TCloseAction& Action)
{
    Action = TCloseAction::caHide;
}

void TAboutForm::Button1Click()
{
    SetModalResult(mrOk);
}

void TAboutForm::Label3Click()
{
    // A browser that does not start is not the dialog's concern.
    ShellExecuteA(Handle(), "open", kMakerSiteAddress, nullptr, nullptr, SW_SHOWNORMAL);
}
