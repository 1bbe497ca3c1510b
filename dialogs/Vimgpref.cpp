#include "dialogs/Vimgpref.h"

#include "dialogs/DialogResources.h"
#include "support/PrinterKeys.h"
#include "support/Vsupport1.h"
#include "toolkit/Registry.h"

#include <algorithm>

TvimgPrefForm* vimgPrefForm = nullptr;

namespace {

TFormStyle PrefStyle()
{
    TFormStyle style;
    style.ClassName = "TvimgPrefForm";
    style.Caption = "Preferences";
    style.Width = 401;
    style.Height = 263;
    style.Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX;
    style.IconId = IDI_MAINICON;
    style.Centered = true;
    return style;
}

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

TvimgPrefForm::TvimgPrefForm()
    : TForm(PrefStyle())
    , ValueListEditor1(*this, 0, 0, 385, 184)
    , Panel1(*this, 41)
    , BitBtn1(*this, &Panel1, 8, 8, 75, 25, "OK", IDOK, true)
    , BitBtn2(*this, &Panel1, 96, 8, 75, 25, "Cancel", IDCANCEL, false)
{
    ValueListEditor1.Align = TAlign::alClient;
    ValueListEditor1.SetTitleCaptions("Printer name", "Destination application");
    ValueListEditor1.SetColWidths(106, 273);
    BitBtn1.ModalResult = mrOk;
    BitBtn1.OnClick = [this] { BitBtn1Click(this); };
    BitBtn2.ModalResult = mrCancel;
}

TvimgPrefForm::~TvimgPrefForm() = default;

void TvimgPrefForm::HandleCreated()
{
    okGlyph_.reset(MakeGlyph(*this, true));
    cancelGlyph_.reset(MakeGlyph(*this, false));
    SendMessageA(BitBtn1.Handle(), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(okGlyph_.get()));
    SendMessageA(BitBtn2.Handle(), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(cancelGlyph_.get()));
}

void TvimgPrefForm::FormCreate(TObject* /*Sender*/)
{
    PickList = std::make_unique<TStringList>();
    PickList->Add("SealQueue");
    PickList->Add("EmfRaster");
    PickList->Add("Ask user");
}

void TvimgPrefForm::FormDestroy(TObject* /*Sender*/)
{
    PickList.reset();
}

void TvimgPrefForm::FormShow(TObject* /*Sender*/)
{
    focus_ = ValueListEditor1.Handle();
    TRegistry registry(PrinterKeyAccess(KEY_ALL_ACCESS));
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    ValueListEditor1.Clear();
    int rows = 0;
    for (int index = 1; index <= 2; ++index) {
        if (!registry.OpenKey(PrinterKeyPath(index)))
            continue;
        std::string todo;
        try {
            todo = registry.ReadString(PrinterValue::Todo);
        } catch (const Exception&) {
            todo.clear();
        }
        if (todo.empty())
            todo = "SealQueue";
        ValueListEditor1.Strings().Add(PrinterName(index) + "=" + todo);
        // A drop-down list: the value is only chosen, never typed.
        TItemProp& props = ValueListEditor1.ItemProps(rows);
        props.SetEditStyle(TEditStyle::esPickList);
        props.SetPickList(PickList.get());
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

void TvimgPrefForm::BitBtn1Click(TObject* /*Sender*/)
{
    TRegistry registry(PrinterKeyAccess(KEY_ALL_ACCESS));
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
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

void TvimgPrefForm::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case DM_GETDEFID:
        // Enter presses the focused button, otherwise OK.
        Message.Result = MAKELRESULT(GetFocus() == BitBtn2.Handle() ? IDCANCEL : IDOK, DC_HASDEFID);
        return;
    case WM_COMMAND:
        // Enter where the system did not find the OK button inside its panel.
        if (Message.LParam == 0 && LOWORD(Message.WParam) == IDOK) {
            if (BitBtn1.Enabled())
                SendMessageA(
                    Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(BitBtn1.Handle()));
            return;
        }
        break;
    case WM_ACTIVATE:
        // As dialogs do: the control that had the focus gets it back.
        if (LOWORD(Message.WParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus))
                focus_ = focus == ValueListEditor1.EditorHandle() ? ValueListEditor1.Handle() : focus;
        } else if (!HIWORD(Message.WParam)) {
            HWND target = focus_;
            if (!target || !IsChild(Handle(), target) || !IsWindowEnabled(target) || !IsWindowVisible(target))
                target = ValueListEditor1.Handle();
            ::SetFocus(target);
            Message.Result = 0;
            return;
        }
        break;
    }
    TForm::Dispatch(Message);
}
