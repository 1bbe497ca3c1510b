#pragma once
// Lines of 8-bit text as the untranslated-text list keeps them: split, joined, sorted without
// regard to case and without duplicates; and whole files read and replaced.
#include "toolkit/SysUtils.h"

#include <string>
#include <vector>

// The lines of a text: a line ends at CR LF, a lone CR or a lone LF; a NUL byte ends the text.
// A break at the very end opens no further line.
std::vector<std::string> SplitTextLines(const std::string& text);
// Every line followed by CR LF, the last one included.
std::string JoinTextLines(const std::vector<std::string>& lines);
// Lines in sorted order without regard to case; of equal ones the first survives.
std::vector<std::string> SortedUniqueLines(const std::vector<std::string>& lines);

// The whole file when it can be read and is at most maxSize bytes long; else false, the reason in
// GetLastError. Others may read the file meanwhile, and replace it.
bool ReadWholeFile(const std::string& path, std::string& text, unsigned long long maxSize = 64ull << 20);
// Written beside the file and then put in its place, so that a failed write leaves the old file
// whole; else false, the reason in GetLastError. A read-only file is left as it is.
bool ReplaceWholeFile(const std::string& path, const std::string& text);
