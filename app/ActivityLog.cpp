// Placeholder until the activity log lands.
#include "app/Vimager1.h"

void TMainForm::WriteLog(const std::string&) {}
