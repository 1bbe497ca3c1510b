#pragma once
// The printers' registry layout, shared with the printer side: one key per printer under
// HKEY_LOCAL_MACHINE, opened without being created, in the 64-bit view on 64-bit Windows (the
// printer side is a native process there), and the converter keys under HKEY_CURRENT_USER.
#include <windows.h>

#include <string>

namespace PrinterValue {
constexpr char Todo[] = "Todo";
constexpr char ClientApplication[] = "Client application";
constexpr char TargetWindowClass[] = "Target window class";
constexpr char TargetWindowTitle[] = "Target window title";
constexpr char TransferMode[] = "Transfer mode";
// In the "Defaults" subkey.
constexpr char TextEnabled[] = "TXT: Enabled";
constexpr char TextEncoding[] = "TXT: Encoding";
constexpr char TextSeparate[] = "TXT: Separate";
constexpr char TextWriteBom[] = "TXT: Write BOM";
} // namespace PrinterValue

// Below the maker's key: "VELT Imager %ld", the name both the printer and its key carry.
std::string PrinterName(long index);
// "SOFTWARE\VELT Korvel\" + the printer's name.
std::string PrinterKeyPath(const std::string& printerName);
std::string PrinterKeyPath(long index);
// The printer key's "Defaults" subkey.
std::string PrinterDefaultsKeyPath(long index);
// Under HKEY_CURRENT_USER: "SOFTWARE\VELT Korvel\EmfRaster", the index appended above 1.
std::string ConverterKeyPath(long index);

// The rights asked for with the view added: routing reads (KEY_READ), the menu marks query
// (KEY_QUERY_VALUE), the Tools menu and Preferences write (KEY_ALL_ACCESS).
REGSAM PrinterKeyAccess(REGSAM rights);
