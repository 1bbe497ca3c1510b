#include "support/PrinterKeys.h"

#include "support/Vsupport1.h"

std::string PrinterName(long index)
{
    return "VELT Imager " + std::to_string(index);
}

std::string PrinterKeyPath(const std::string& printerName)
{
    return "SOFTWARE\\VELT Korvel\\" + printerName;
}

std::string PrinterKeyPath(long index)
{
    return PrinterKeyPath(PrinterName(index));
}

std::string PrinterDefaultsKeyPath(long index)
{
    return PrinterKeyPath(index) + "\\Defaults";
}

std::string ConverterKeyPath(long index)
{
    const std::string key = "SOFTWARE\\VELT Korvel\\EmfRaster";
    return index > 1 ? key + std::to_string(index) : key;
}

REGSAM PrinterKeyAccess(REGSAM rights)
{
    return rights | (IsWindows64() ? KEY_WOW64_64KEY : 0);
}
