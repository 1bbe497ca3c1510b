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

    // controls of the form
    TValueListEditor ValueListEditor1;
    TControl Panel1;
    TControl BitBtn1;
    TControl BitBtn2;

    // The actions offered for every printer, in the order shown.
    std::unique_ptr<std::vector<std::string>> PickList;

    void BitBtn1Click();

protected:
    void FormCreate() override;
    void FormShow() override;
    void FormDestroy() override;
    void HandleCreated() override;

private:
    UniqueIcon okGlyph_;
    UniqueIcon cancelGlyph_;
};

extern TvimgPrefForm* vimgPrefForm;
