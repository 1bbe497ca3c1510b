// Placeholder until job intake lands.
#include "app/Vimager1.h"

void TMainForm::WMCopyData(TMessage& Message) { Message.Result = 1; }
void TMainForm::WMInitMenuPopup(TMessage&) {}
void TMainForm::ApplicationEvents1Idle(TObject*, bool&) {}
void TMainForm::Timer1Timer(TObject*) {}
