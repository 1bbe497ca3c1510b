#include "dialogs/Vimgpref.h"

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
    style.Centered = true;
    return style;
}
} // namespace

TvimgPrefForm::TvimgPrefForm() : TForm(PrefStyle()) {}
