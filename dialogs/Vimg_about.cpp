#include "dialogs/Vimg_about.h"

TAboutForm* AboutForm = nullptr;

namespace {
TFormStyle AboutStyle()
{
    TFormStyle style;
    style.ClassName = "TAboutForm";
    style.Caption = "About";
    style.ClientWidth = 460;
    style.ClientHeight = 180;
    style.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    style.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    style.Centered = true;
    return style;
}
} // namespace

TAboutForm::TAboutForm() : TForm(AboutStyle()) {}
