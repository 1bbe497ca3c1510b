#pragma once
// The Preferences dialog: the action of each printer.
#include "toolkit/Forms.h"

class TvimgPrefForm : public TForm {
public:
    TvimgPrefForm();
};

extern TvimgPrefForm* vimgPrefForm;
