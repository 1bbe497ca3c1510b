#pragma once
// The About dialog.
#include "toolkit/Forms.h"

class TAboutForm : public TForm {
public:
    TAboutForm();
};

extern TAboutForm* AboutForm;
