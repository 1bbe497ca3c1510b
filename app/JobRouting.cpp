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

RoutingOutcome Failed(RoutingFailure failure, RoutingOutcome outcome)
{
    outcome.Failure = failure;
    return outcome;
}

RoutingOutcome ToSpooler(const RoutingRequest& request, const MainConfig& config, const std::string& path, long index)
{
    const std::string& folder = index == 1 ? config.LeadFolder : config.Lead2Folder;
    // A name that the code page could not hold carries "?", which no folder's name does: what it
    // would be created as is another folder.
    const bool nameable = folder.find_first_of("?*") == std::string::npos;
    DWORD error = ERROR_INVALID_NAME;
    if (nameable && !DirectoryExists(folder) && !ForceDirectories(folder))
        error = GetLastError();
    if (!nameable || !DirectoryExists(folder))
        return Failed(RoutingFailure::Folder, {"Directory " + folder + " does not exist!", std::string(), false, error});

    const std::string preferred = request.Source == JobSource::Notice ? JobFileName(request.JobId) : std::string();
    const Handoff handoff = HandOffJob(path, folder, preferred);
    if (handoff.Error == ERROR_SUCCESS)
        return {"OUT = " + handoff.Destination, std::string(), true};
    const std::string text = Format("Error %lu moving %s into %s", static_cast<unsigned long>(handoff.Error),
                                    path.c_str(), handoff.Destination.c_str());
    return Failed(RoutingFailure::Move, {text, text, false, handoff.Error});
}

RoutingOutcome Route(const RoutingRequest& request, const MainConfig& config, const std::string& path, long& index,
                     bool& confirmed)
{
    const std::string printer = TIniFile(path).ReadString("Device", "DeviceName", "");
    if (!ParsePrinterIndex(printer, index))
        return Failed(RoutingFailure::PrinterName, {"Could not read Printer name"});
    if (index <= 0)
        return Failed(RoutingFailure::PrinterIndex, {Format("Printer name is %ld", index)});

    std::string action = ReadAction(index);
    if (AnsiSameText(action, "Ask user")) {
        confirmed = request.Confirmed || (request.AskUser && request.AskUser());
        if (!confirmed) {
            RoutingOutcome cancelled{std::string(), std::string(), true};
            cancelled.Cancelled = true;
            return cancelled;
        }
        action = "SealQueue";
    }

    if (action.empty() || AnsiSameText(action, "SealQueue"))
        return ToSpooler(request, config, path, index);
    if (AnsiSameText(action, "EmfRaster")) {
        RoutingOutcome started = StartConverter(path, index);
        return started.HandedOn ? started : Failed(RoutingFailure::Converter, started);
    }
    return Failed(RoutingFailure::Action, {"todostr = " + action});
}

} // namespace

RoutingOutcome RouteJobFile(const RoutingRequest& request, const MainConfig& config)
{
    // No Windows file name holds one, and it would split the converter's command line.
    if (request.JobPath.find('"') != std::string::npos)
        return {"Job path holds a quotation mark: " + request.JobPath};
    // The profile reader looks for a relative name in the Windows folder, the move in the current one.
    const std::string path = IsAbsolutePath(request.JobPath) ? request.JobPath : ExpandFileName(request.JobPath);

    long index = 0;
    bool confirmed = false;
    RoutingOutcome outcome = Route(request, config, path, index, confirmed);
    outcome.Confirmed = confirmed;
    outcome.Path = path;
    outcome.Printer = index > 0 ? index : 0;
    return outcome;
}

RoutingOutcome InexactPathOutcome(const std::string& converted)
{
    return {"Job path not in the system code page: " + converted};
}

std::string FailureReasonText(RoutingFailure failure, DWORD error)
{
    std::string reason;
    switch (failure) {
    case RoutingFailure::PrinterName:
        reason = "its printer name could not be read";
        break;
    case RoutingFailure::PrinterIndex:
        reason = "it names no printer of ours";
        break;
    case RoutingFailure::Action:
        reason = "its printer's action is unknown";
        break;
    case RoutingFailure::Converter:
        reason = "the converter could not be started";
        break;
    case RoutingFailure::Folder:
    case RoutingFailure::Move:
        switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_DIRECTORY:
            reason = "the spooler's folder is missing";
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            reason = "the spooler's folder may not be written";
            break;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            reason = "another program holds the job file";
            break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            reason = "the spooler's disk is full";
            break;
        default:
            reason = Format("error %lu", static_cast<unsigned long>(error));
        }
        break;
    case RoutingFailure::None:
        reason = "it could not be handed on";
        break;
    }
    return reason;
}

std::string WaitingBalloonText(const RoutingOutcome& outcome)
{
    return "A print job waits: " + FailureReasonText(outcome.Failure, outcome.Error) + ". It will go on by itself.";
}
