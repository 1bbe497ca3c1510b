#pragma once
// The About dialog: the maker, the product, its version and a link to the maker's site.
#include "toolkit/Controls.h"
#include "toolkit/Forms.h"
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
    TControl Image1;
    TLabel Label5;
    TLabel Label6;
    TLabel LabelEdition;
    TLabel LabelVersion;
    TLabel LabelLegal;
    TLabel Label3;
    TButton Button1;

    void Button1Click(TObject* Sender);
    void Label3Click(TObject* Sender);
    void Dispatch(TMessage& Message) override;
    // The tooltip window that shows Label3's hint.
    HWND HintWindow() { Handle(); return hint_; }

protected:
    void FormShow(TObject* Sender) override;
    void FormClose(TObject* Sender, TCloseAction& Action) override;
    void HandleCreated() override;

private:
    UniqueGdiObject logo_;
    HWND hint_ = nullptr;
};

extern TAboutForm* AboutForm;
