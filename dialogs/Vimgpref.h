#pragma once
// The Preferences dialog: the action of each printer, chosen from a fixed list.
#include "toolkit/Classes.h"
#include "toolkit/Controls.h"
#include "toolkit/Forms.h"
#include "toolkit/Handles.h"
#include "toolkit/ValueListEditor.h"

#include <memory>

class TvimgPrefForm : public TForm {
public:
    TvimgPrefForm();
    ~TvimgPrefForm() override;

    // controls of the form
    TValueListEditor ValueListEditor1;
    TPanel Panel1;
    TButton BitBtn1;
    TButton BitBtn2;

    // The actions offered for every printer, in the order shown.
    std::unique_ptr<TStringList> PickList;

    void BitBtn1Click(TObject* Sender);
    void Dispatch(TMessage& Message) override;

protected:
    void FormCreate(TObject* Sender) override;
    void FormShow(TObject* Sender) override;
    void FormDestroy(TObject* Sender) override;
    void HandleCreated() override;

private:
    UniqueIcon okGlyph_;
    UniqueIcon cancelGlyph_;
    HWND focus_ = nullptr;
};

extern TvimgPrefForm* vimgPrefForm;
