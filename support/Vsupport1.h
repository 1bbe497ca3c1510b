#pragma once
// The program's links to the installation: settings file reader, version reader,
// system checks and base folders. None of these shows anything or throws.
#include <pugixml.hpp>

#include <string>

// HKLM "\SOFTWARE\VELT Korvel" "MyPath" in the default (32-bit) view; "c:\VELT Korvel" otherwise.
void GetInstallBaseFolder(std::string& folder);
// The all-users application data folder + "VELT Korvel"; false (output untouched) when the shell fails.
bool GetCommonDataFolder(std::string& folder);
// The spooler folder's base: "VELTLOGD", else the common data folder, else the program's folder.
std::string LogBaseFolder();
// True when the process may open the service manager with full access: an elevated administrator.
bool IsAdminElevated();
// True when this process runs at a higher integrity level than the shell: the windows of the
// user's ordinary programs, the printer side among them, cannot send it messages. False when unknown.
bool IsElevatedAboveShell();
// True on 64-bit Windows (x64 or IA64), where the printer keys live in the 64-bit view.
bool IsWindows64();
// "major.minor.release.build" of the file (null: this program), or "Undefined..." when unreadable.
void GetFileVersionText(const char* path, std::string& text);

// A handle on one element of a settings document; valid while the document lives.
class cPARAMNODE {
public:
    explicit cPARAMNODE(pugi::xml_node node) : node_(node) {}
    // The text of the first child element of that name in the system's ANSI code page, a character
    // it lacks as "?"; or the empty text.
    std::string GetValue(const std::string& name) const;

private:
    pugi::xml_node node_;
};

// One settings file loaded whole, with the element under which lookups start.
class cPARAMBASE2 {
public:
    cPARAMBASE2(std::string fileName, std::string rootName);
    ~cPARAMBASE2();
    cPARAMBASE2(const cPARAMBASE2&) = delete;
    cPARAMBASE2& operator=(const cPARAMBASE2&) = delete;

    pugi::xml_node BaseNode() const { return baseNode_; }
    const std::string& ErrorText() const { return errorText_; }
    const pugi::xml_document& Document() const { return document_; }

private:
    pugi::xml_document document_;
    pugi::xml_node baseNode_;
    std::string errorText_;
};
