// argrecord: a stand-in converter for tests and demos. It writes its whole command line, as the
// system handed it over, to the file named by ARGRECORD_FILE, or else to argrecord.txt beside itself.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char buffer[32768];
    DWORD length = GetEnvironmentVariableA("ARGRECORD_FILE", buffer, sizeof buffer);
    std::string target;
    if (length > 0 && length < sizeof buffer) {
        target.assign(buffer, length);
    } else {
        length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
        target.assign(buffer, length < sizeof buffer ? length : 0);
        target = target.substr(0, target.find_last_of('\\') + 1) + "argrecord.txt";
    }

    // Written aside and renamed, so that a reader never sees half a line.
    const std::string part = target + ".part";
    HANDLE file = CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const std::string line = GetCommandLineA();
    DWORD written = 0;
    const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != line.size() || !MoveFileExA(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(part.c_str());
        return 1;
    }
    return 0;
}
