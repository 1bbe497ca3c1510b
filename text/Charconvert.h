#pragma once
// UTF-8 (or UTF-16) text to 8-bit text of a given code page, through the platform's conversions.
#include <string>

// The converted text; empty when the conversion fails.
std::string Utf8ToCodePage(const char* utf8, unsigned codePage);
// True on success; the output is set only then.
bool TryUtf8ToCodePage(const char* utf8, std::string& output, unsigned codePage);
bool TryWideToCodePage(const wchar_t* wide, std::string& output, unsigned codePage);

// Without best fit, so that no character turns into a look-alike: false when one has no place in
// the code page, and the output then holds the code page's default character in its place.
bool TryUtf8ToCodePageExact(const char* utf8, std::string& output, unsigned codePage);
bool TryWideToCodePageExact(const wchar_t* wide, std::string& output, unsigned codePage);
// A file's path in the system's ANSI code page, read back by the 8-bit file functions as that same
// file: converted exactly, else the file's short (8.3) name converted exactly. False when neither
// goes; the output is then the exact conversion's text with its default characters.
bool TryExactAnsiPath(const std::wstring& path, std::string& output);
