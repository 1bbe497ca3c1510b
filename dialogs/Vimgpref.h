#pragma once
// The Preferences dialog: the action of each printer, chosen from a fixed list.
#include "dialogs/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/ValueListEditor.h"

#include <memory>
#include <string>
#include <vector>

class TvimgPrefForm : public TForm {
public:
    TvimgPrefForm();
    ~TvimgPrefForm() override;

    // controls of the form
    TValueListEditor ValueListEditor1;
    TControl Panel1;
    TControl BitBtn1;
    TControl BitBtn2;

    // The actions offered for every printer, in the order shown.
    std::unique_ptr<std::vector<std::string>> PickList;

    void BitBtn1Click(TObject* Sender);

protected:
    void FormCreate(TObject* Sender) override;
    void FormShow(TObject* Sender) override;
    void FormDestroy(TObject* Sender) override;
    void HandleCreated() override;

private:
    UniqueIcon okGlyph_;
    UniqueIcon cancelGlyph_;
};

extern TvimgPrefForm* vimgPrefForm;
