// Placeholder until the Tools menu lands.
#include "app/Vimager1.h"

bool TMainForm::CheckAdministrator() { return false; }
void TMainForm::FillRegistry(int) {}
void TMainForm::PrepareText(bool) {}
void TMainForm::Setupactions1Click(TObject*) {}
void TMainForm::Usemessagesrecommended1Click(TObject*) {}
void TMainForm::UseEXEspecialcase1Click(TObject*) {}
void TMainForm::Preparetext1Click(TObject*) {}
