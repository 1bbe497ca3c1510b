// vprinter: the printer side of "VELT Imager N" in miniature, to try an installation of
// VELT Imager Support without a real print job. Run "vprinter --help" for the options.
#include "support/PrinterKeys.h"
#include "support/Vsupport1.h"
#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum ExitCode {
    kDelivered = 0,
    kBadOptions = 1,
    kNoPrinterKey = 2,
    kJobNotWritten = 3,
    kNoWindow = 4,
    kNotStarted = 5,
    kRefused = 6,
};

const char kUsage[] =
    "Usage: vprinter [--printer N] [--folder DIR] [--mode registry|message|cmdline]\n"
    "                [--exe PATH] [--wide] [--count K]\n"
    "\n"
    "Plays the printer side of the virtual printer \"VELT Imager N\": writes a job file\n"
    "and hands it to VELT Imager Support the way the printer's registry key asks.\n"
    "\n"
    "  --printer N   printer number (default 1); the job file names \"VELT Imager N\"\n"
    "  --folder DIR  folder for the job files (default: the temporary folder)\n"
    "  --mode M      registry: as the printer key's \"Transfer mode\" says (default):\n"
    "                          1 = message, 0 = cmdline\n"
    "                message:  a job notice (WM_COPYDATA, dwData 1000) to the window of\n"
    "                          \"Target window class\" and \"Target window title\"\n"
    "                          (default TMainForm, VELT Imager Support)\n"
    "                cmdline:  start \"Client application\" with the job file's path as\n"
    "                          its only argument, and wait for it to end\n"
    "  --exe PATH    program to start in cmdline mode (default: \"Client application\",\n"
    "                else vimager.exe beside this tool)\n"
    "  --wide        send the path as UTF-16 text (message mode)\n"
    "  --count K     write and deliver K jobs, one after the other (default 1)\n"
    "  --help        show this text\n"
    "\n"
    "The printer key is HKEY_LOCAL_MACHINE\\SOFTWARE\\VELT Korvel\\VELT Imager N (64-bit view on\n"
    "64-bit Windows); VELT Imager Support writes it with Tools > Fill registry.\n"
    "\n"
    "Exit codes: 0 every job delivered; 1 bad options; 2 printer key missing or incomplete;\n"
    "3 job file not written; 4 no window found; 5 program not started; 6 job refused\n"
    "(a notice not answered with 1, or a program that ended with another code than 0 or 3:\n"
    "VELT Imager Support ends with 2 when it did not hand the job on and nobody waits\n"
    "for it, and with 3 when its resident instance keeps the job to hand it on later).\n";

struct Options {
    long printer = 1;
    std::string folder;
    std::string mode = "registry";
    std::string exe;
    bool wide = false;
    long count = 1;
};

struct PrinterKey {
    LONG openError = ERROR_SUCCESS;
    bool hasTransferMode = false;
    DWORD transferMode = 0;
    std::string windowClass;
    std::string windowTitle;
    std::string clientApplication;
};

bool ParseNumber(const char* text, long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return *text && *end == '\0' && errno == 0;
}

int ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h" || name == "/?") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (name == "--wide") {
            options.wide = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "vprinter: %s needs a value (see --help)\n", name.c_str());
            return kBadOptions;
        }
        const char* value = argv[++i];
        if (name == "--printer" && ParseNumber(value, options.printer)) {
        } else if (name == "--count" && ParseNumber(value, options.count) && options.count > 0) {
        } else if (name == "--folder") {
            options.folder = value;
        } else if (name == "--exe") {
            options.exe = value;
        } else if (name == "--mode" && (!std::strcmp(value, "registry") || !std::strcmp(value, "message") ||
                                        !std::strcmp(value, "cmdline"))) {
            options.mode = value;
        } else {
            std::fprintf(stderr, "vprinter: bad option %s %s (see --help)\n", name.c_str(), value);
            return kBadOptions;
        }
    }
    return kDelivered;
}

std::string FullPath(const std::string& path)
{
    const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::vector<char> buffer(needed);
    const DWORD length = GetFullPathNameA(path.c_str(), needed, buffer.data(), nullptr);
    return length > 0 && length < needed ? std::string(buffer.data(), length) : path;
}

std::string TempFolderPath()
{
    char buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string(".");
}

std::string QueryString(HKEY key, const char* name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return std::string();
    std::vector<char> data(size + 1, '\0');
    size = static_cast<DWORD>(data.size());
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return std::string();
    return std::string(data.data());
}

PrinterKey ReadPrinterKey(const std::string& path)
{
    PrinterKey printer;
    HKEY opened = nullptr;
    // The printer side is a native process: on 64-bit Windows its keys are those of the 64-bit view.
    printer.openError = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, PrinterKeyAccess(KEY_READ), &opened);
    if (printer.openError != ERROR_SUCCESS)
        return printer;
    UniqueRegKey key(opened);
    DWORD type = 0;
    DWORD size = sizeof printer.transferMode;
    printer.hasTransferMode =
        RegQueryValueExA(key.get(), PrinterValue::TransferMode, nullptr, &type, reinterpret_cast<BYTE*>(&printer.transferMode),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof printer.transferMode;
    printer.windowClass = QueryString(key.get(), PrinterValue::TargetWindowClass);
    printer.windowTitle = QueryString(key.get(), PrinterValue::TargetWindowTitle);
    printer.clientApplication = QueryString(key.get(), PrinterValue::ClientApplication);
    return printer;
}

bool WriteJob(const std::string& folder, long printer, long number, long count, std::string& path)
{
    char name[MAX_PATH + 1];
    if (!GetTempFileNameA(folder.c_str(), "vpj", 0, name)) {
        std::fprintf(stderr, "vprinter: no job file could be made in %s, error %lu\n", folder.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return false;
    }
    path = name;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string text =
        Format("[Device]\r\nDeviceName=VELT Imager %ld\r\n"
               "[Job]\r\nSource=vprinter\r\nNumber=%ld\r\nWritten=%04d-%02d-%02d %02d:%02d:%02d\r\n"
               "[Page1]\r\nLine1=TEST RECEIPT\r\nLine2=Job %ld of %ld\r\nLine3=TOTAL 0.00\r\n",
               printer, number, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, number,
               count);
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        std::fprintf(stderr, "vprinter: job file %s not written, error %lu\n", path.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        file.reset();
        DeleteFileA(path.c_str());
        return false;
    }
    std::printf("Wrote %s for VELT Imager %ld\n", path.c_str(), printer);
    return true;
}

int SendByMessage(const std::string& windowClass, const std::string& windowTitle, const std::string& path, bool wide)
{
    HWND window = FindWindowA(windowClass.c_str(), windowTitle.c_str());
    if (!window) {
        std::fprintf(stderr, "vprinter: no window of class \"%s\" titled \"%s\": is VELT Imager Support running?\n",
                     windowClass.c_str(), windowTitle.c_str());
        return kNoWindow;
    }
    std::wstring widePath;
    COPYDATASTRUCT notice{1000, static_cast<DWORD>(path.size() + 1), const_cast<char*>(path.c_str())};
    if (wide) {
        const int units = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
        widePath.assign(units > 0 ? units : 1, L'\0');
        if (units > 0)
            MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &widePath[0], units);
        notice.cbData = static_cast<DWORD>(widePath.size() * sizeof(wchar_t));
        notice.lpData = &widePath[0];
    }
    // Like the printer side: the send returns once the job has been routed, however long that takes.
    const LRESULT reply = SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice));
    std::printf("Sent a job notice%s to window %p (class \"%s\", title \"%s\"): reply %ld\n", wide ? " (UTF-16)" : "",
                static_cast<void*>(window), windowClass.c_str(), windowTitle.c_str(), static_cast<long>(reply));
    if (reply != 1) {
        std::fprintf(stderr, "vprinter: the job notice was not accepted\n");
        return kRefused;
    }
    return kDelivered;
}

int StartProgram(const std::string& program, const std::string& path)
{
    std::string commandLine = "\"" + program + "\" \"" + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        std::fprintf(stderr, "vprinter: could not start %s, error %lu\n", program.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return kNotStarted;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    std::printf("Started %s\n", commandLine.c_str());
    std::fflush(stdout);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    // The program's own word: 0 handed on (or left by the user's Cancel), 3 waiting in the
    // resident program, which hands it on by itself, 2 not handed on and nobody waits for it.
    std::printf("It ended with exit code %lu%s\n", static_cast<unsigned long>(code),
                code == 2   ? ": the job was not handed on"
                : code == 3 ? ": the job waits in the resident program and goes on by itself"
                            : "");
    if (code != 0 && code != 3) {
        std::fprintf(stderr, "vprinter: the program reported a failure\n");
        return kRefused;
    }
    return kDelivered;
}

std::string ProgramBesideThis()
{
    const std::string self = ModuleFileName();
    return self.substr(0, self.find_last_of('\\') + 1) + "vimager.exe";
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    const int parsed = ParseOptions(argc, argv, options);
    if (parsed != kDelivered)
        return parsed < 0 ? kDelivered : parsed;

    const std::string keyPath = PrinterKeyPath(options.printer);
    const PrinterKey printer = ReadPrinterKey(keyPath);
    std::string mode = options.mode;
    if (mode == "registry") {
        if (printer.openError != ERROR_SUCCESS) {
            std::fprintf(stderr, "vprinter: printer key HKEY_LOCAL_MACHINE\\%s not found, error %ld\n",
                         keyPath.c_str(), static_cast<long>(printer.openError));
            return kNoPrinterKey;
        }
        if (!printer.hasTransferMode || printer.transferMode > 1) {
            std::fprintf(stderr, "vprinter: the printer key holds no \"Transfer mode\" of 0 or 1: "
                                 "run Tools > Fill registry in VELT Imager Support, or give --mode\n");
            return kNoPrinterKey;
        }
        mode = printer.transferMode == 1 ? "message" : "cmdline";
        std::printf("Printer key %s: \"Transfer mode\" %lu (%s)\n", keyPath.c_str(),
                    static_cast<unsigned long>(printer.transferMode), mode.c_str());
    }

    const std::string folder = FullPath(options.folder.empty() ? TempFolderPath() : options.folder);
    for (long number = 1; number <= options.count; ++number) {
        std::string path;
        if (!WriteJob(folder, options.printer, number, options.count, path))
            return kJobNotWritten;
        int result;
        if (mode == "message") {
            result = SendByMessage(printer.windowClass.empty() ? "TMainForm" : printer.windowClass,
                                   printer.windowTitle.empty() ? "VELT Imager Support" : printer.windowTitle, path,
                                   options.wide);
        } else {
            const std::string program = !options.exe.empty()                  ? options.exe
                                        : !printer.clientApplication.empty() ? printer.clientApplication
                                                                               : ProgramBesideThis();
            result = StartProgram(program, path);
        }
        if (result == kNoWindow || result == kNotStarted) {
            // Never handed over: the job file is still ours to remove.
            DeleteFileA(path.c_str());
            std::printf("Removed %s again\n", path.c_str());
        } else if (FileExists(path)) {
            std::printf("The job file is still at %s\n", path.c_str());
        } else {
            std::printf("The job file has been taken away\n");
        }
        std::fflush(stdout);
        if (result != kDelivered)
            return result;
    }
    return kDelivered;
}
