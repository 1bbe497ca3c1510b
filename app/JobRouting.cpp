#include "app/JobRouting.h"

#include "app/Handoff.h"
#include "app/Jobtext.h"
#include "support/PrinterKeys.h"
#include "toolkit/IniFiles.h"
#include "toolkit/Registry.h"
#include "toolkit/SysUtils.h"

namespace {

bool IsAbsolutePath(const std::string& path)
{
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 2 && separator(path[0]) && separator(path[1]))
        return true;
    return path.size() >= 3 && path[1] == ':' && separator(path[2]);
}

// "Todo", trimmed; empty when the key or a string value is missing.
std::string ReadAction(long index)
{
    TRegistry registry(PrinterKeyAccess(KEY_READ));
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    std::string action;
    if (registry.OpenKeyReadOnly(PrinterKeyPath(index))) {
        try {
            action = Trim(registry.ReadString(PrinterValue::Todo));
        } catch (const ERegistryException&) {
            action.clear();
        }
        registry.CloseKey();
    }
    return action;
}

RoutingOutcome ToSpooler(const RoutingRequest& request, const MainConfig& config, const std::string& path, long index)
{
    const std::string& folder = index == 1 ? config.LeadFolder : config.Lead2Folder;
    // A name that the code page could not hold carries "?", which no folder's name does: what it
    // would be created as is another folder.
    const bool nameable = folder.find_first_of("?*") == std::string::npos;
    if (nameable && !DirectoryExists(folder))
        ForceDirectories(folder);
    if (!nameable || !DirectoryExists(folder))
        return {"Directory " + folder + " does not exist!"};

    const std::string preferred = request.Source == JobSource::Notice ? JobFileName(request.JobId) : std::string();
    const Handoff handoff = HandOffJob(path, folder, preferred);
    if (handoff.Error == ERROR_SUCCESS)
        return {"OUT = " + handoff.Destination, std::string(), true};
    const std::string text = Format("Error %lu moving %s into %s", static_cast<unsigned long>(handoff.Error),
                                    path.c_str(), handoff.Destination.c_str());
    return {text, text, false, handoff.Error};
}

} // namespace

RoutingOutcome RouteJobFile(const RoutingRequest& request, const MainConfig& config)
{
    // No Windows file name holds one, and it would split the converter's command line.
    if (request.JobPath.find('"') != std::string::npos)
        return {"Job path holds a quotation mark: " + request.JobPath};
    // The profile reader looks for a relative name in the Windows folder, the move in the current one.
    const std::string path = IsAbsolutePath(request.JobPath) ? request.JobPath : ExpandFileName(request.JobPath);

    const std::string printer = TIniFile(path).ReadString("Device", "DeviceName", "");
    long index = 0;
    if (!ParsePrinterIndex(printer, index))
        return {"Could not read Printer name"};
    if (index <= 0)
        return {Format("Printer name is %ld", index)};

    std::string action = ReadAction(index);
    if (AnsiSameText(action, "Ask user")) {
        if (!request.AskUser || !request.AskUser())
            return {std::string(), std::string(), true};
        action = "SealQueue";
    }

    if (action.empty() || AnsiSameText(action, "SealQueue"))
        return ToSpooler(request, config, path, index);
    if (AnsiSameText(action, "EmfRaster"))
        return StartConverter(path, index);
    return {"todostr = " + action};
}

RoutingOutcome InexactPathOutcome(const std::string& converted)
{
    return {"Job path not in the system code page: " + converted};
}
