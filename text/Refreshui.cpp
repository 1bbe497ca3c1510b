// Placeholder until the list upkeep lands.
#include "text/Refreshui.h"

const char* const kUntranslatedListPath = "c:\\velt korvel\\undef.txt";

void TidyUntranslatedList(const std::string&) {}
