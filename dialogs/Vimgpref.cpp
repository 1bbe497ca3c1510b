#include "dialogs/Vimgpref.h"

#include "dialogs/DialogResources.h"
#include "support/PrinterKeys.h"
#include "support/Vsupport1.h"
#include "toolkit/Registry.h"

#include <commctrl.h>

#include <algorithm>

TvimgPrefForm* vimgPrefForm = nullptr;

namespace {

// The glyphs of the OK and Cancel kinds of button: a check mark and a cross, drawn at the
// form's scale with a mask, so that they sit on any button face.
HICON MakeGlyph(const TForm& form, bool check)
{
    const int size = form.Scale(16);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP color = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);
    auto s = [&](int v) { return MulDiv(v, size, 16); };
    const POINT checkMark[] = {{s(3), s(8)}, {s(6), s(11)}, {s(13), s(4)}};
    const POINT cross1[] = {{s(4), s(4)}, {s(12), s(12)}};
    const POINT cross2[] = {{s(12), s(4)}, {s(4), s(12)}};
    auto draw = [&](HBITMAP target, COLORREF background, COLORREF ink) {
        HGDIOBJ oldBitmap = SelectObject(dc, target);
        RECT all{0, 0, size, size};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        HPEN pen = CreatePen(PS_SOLID, std::max(2, form.Scale(2)), ink);
        HGDIOBJ oldPen = SelectObject(dc, pen);
        if (check) {
            Polyline(dc, checkMark, 3);
        } else {
            Polyline(dc, cross1, 2);
            Polyline(dc, cross2, 2);
        }
        SelectObject(dc, oldPen);
        DeleteObject(pen);
        SelectObject(dc, oldBitmap);
    };
    draw(color, RGB(0, 0, 0), check ? RGB(0, 128, 0) : RGB(192, 0, 0));
    draw(mask, RGB(255, 255, 255), RGB(0, 0, 0));
    DeleteDC(dc);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color;
    info.hbmMask = mask;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

} // namespace

// The panel holds the buttons, so that they move with it when the dialog is sized.
TvimgPrefForm::TvimgPrefForm()
    : TForm(SizableDialogStyle("TvimgPrefForm", "Preferences", 401, 263, IDI_MAINICON))
    , ValueListEditor1({WC_LISTVIEWA,
                           WS_TABSTOP | WS_CLIPCHILDREN | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS
                               | LVS_NOSORTHEADER,
                           WS_EX_CLIENTEDGE, 0, 0, 385, 184, 0, ""},
          "Printer name", "Destination application", 106, 273)
    , Panel1({"STATIC", SS_ETCHEDFRAME, WS_EX_CONTROLPARENT, 0, 184, 385, 41, 0, ""})
    , BitBtn1({"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 8, 8, 75, 25, IDOK, "OK"})
    , BitBtn2({"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, 96, 8, 75, 25, IDCANCEL, "Cancel"})
{
    AddControls({&ValueListEditor1, &Panel1, &BitBtn1, &BitBtn2});
    ValueListEditor1.Align = TAlign::alClient;
    Panel1.Align = TAlign::alBottom;
    Panel1.AlignHeight = 41;
    Panel1.Container = true;
    BitBtn1.Parent = &Panel1;
    BitBtn2.Parent = &Panel1;
    BitBtn1.OnClick = [this] { BitBtn1Click(); };
}

void TvimgPrefForm::HandleCreated()
{
    okGlyph_.reset(MakeGlyph(*this, true));
    cancelGlyph_.reset(MakeGlyph(*this, false));
    SendMessageA(BitBtn1.Handle(), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(okGlyph_.get()));
    SendMessageA(BitBtn2.Handle(), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(cancelGlyph_.get()));
}

void TvimgPrefForm::FormCreate()
{
    PickList = std::make_unique<std::vector<std::string>>(
        std::vector<std::string>{"SealQueue", "EmfRaster", "Ask user"});
}

void TvimgPrefForm::FormDestroy()
{
    PickList.reset();
}

void TvimgPrefForm::FormShow()
{
    TRegistry registry(PrinterKeyAccess(KEY_ALL_ACCESS), HKEY_LOCAL_MACHINE);
    ValueListEditor1.Clear();
    int rows = 0;
    for (int index = 1; index <= 2; ++index) {
        if (!registry.OpenKey(PrinterKeyPath(index)))
            continue;
        std::string todo;
        try {
            todo = registry.ReadString(PrinterValue::Todo);
        } catch (const Exception&) {
        }
        if (todo.empty())
            todo = "SealQueue";
        // A drop-down list: the value is only chosen, never typed.
        ValueListEditor1.Add({PrinterName(index), todo, PickList.get()});
        ++rows;
        registry.CloseKey();
    }
    if (rows > 0) {
        BitBtn1.SetEnabled(true);
    } else {
        ShowMessage("Could not find any \"VELT Imager\" printer!");
        BitBtn1.SetEnabled(false);
    }
}

void TvimgPrefForm::BitBtn1Click()
{
    TRegistry registry(PrinterKeyAccess(KEY_ALL_ACCESS), HKEY_LOCAL_MACHINE);
    for (int row = 1; row < ValueListEditor1.RowCount(); ++row) {
        if (!registry.OpenKey(PrinterKeyPath(ValueListEditor1.Keys(row))))
            continue;
        try {
            registry.WriteString(PrinterValue::Todo, ValueListEditor1.Values(row));
        } catch (const Exception& error) {
            ShowMessage(error.Message());
        }
        registry.CloseKey();
    }
}
