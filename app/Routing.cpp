// Placeholder until routing lands.
#include "app/Vimager1.h"

void TMainForm::RouteJob(const std::string&, unsigned char, int) {}
std::string TMainForm::ReserveJobFileName(const std::string&) { return std::string(); }
std::string TMainForm::MessageJobId(int) { return std::string(); }
