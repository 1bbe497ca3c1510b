// Placeholder until the conversion lands.
#include "text/Charconvert.h"

std::string Utf8ToCodePage(const char*, unsigned) { return std::string(); }
bool TryUtf8ToCodePage(const char*, std::string&, unsigned) { return false; }
bool TryWideToCodePage(const wchar_t*, std::string&, unsigned) { return false; }
