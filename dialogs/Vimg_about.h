#pragma once
// The About dialog: the maker, the product, its version and a link to the maker's site.
#include "dialogs/Application.h"
#include "toolkit/Handles.h"

#include <string>

// The maker's site that the link opens; its address is also the link's hint.
extern const char* const kMakerSiteAddress;
extern const char* const kMakerCompanyName;

// The legal notice: the fixed text with the years up to the given one.
std::string LegalNoticeText(int year);

class TAboutForm : public TForm {
public:
    TAboutForm();
    ~TAboutForm() override;

    // controls of the form
    TControl Button1;
    TControl Image1;
    TControl Label5;
    TControl Label6;
    TControl LabelEdition;
    TControl LabelVersion;
    TControl LabelLegal;
    TControl Label3;

    void Button1Click();
    void Label3Click();

protected:
    void FormShow() override;
    void FormClose(TCloseAction& Action) override;
    void HandleCreated() override;

private:
    friend struct AboutSeam;
    UniqueGdiObject logo_;
    // The tooltip that shows Label3's hint; it goes with the dialog's window.
    HWND hint_ = nullptr;
};

extern TAboutForm* AboutForm;
