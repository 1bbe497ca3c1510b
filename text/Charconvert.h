#pragma once
// UTF-8 (or UTF-16) text to 8-bit text of a given code page, through the platform's conversions.
#include <string>

// The converted text; empty when the conversion fails.
std::string Utf8ToCodePage(const char* utf8, unsigned codePage);
// True on success; the output is set only then.
bool TryUtf8ToCodePage(const char* utf8, std::string& output, unsigned codePage);
bool TryWideToCodePage(const wchar_t* wide, std::string& output, unsigned codePage);
