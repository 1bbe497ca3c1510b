#pragma once
// Upkeep of the untranslated-text list: at the program's end an existing list is
// rewritten sorted (case-insensitively, under the user's locale) and without duplicates.
#include <string>

extern const char* const kUntranslatedListPath;

void TidyUntranslatedList(const std::string& path = kUntranslatedListPath);
