// The Tools menu: the printers' registry settings that point the printer side at this program.
#include "app/Vimager1.h"

#include "dialogs/Vimgpref.h"
#include "support/Vsupport1.h"

namespace {

// A value of a printer key that could not be set; ends that printer's step.
class ESetValueError : public Exception {
public:
    using Exception::Exception;
};

REGSAM PrinterKeyAccess()
{
    return KEY_ALL_ACCESS | (IsWindows64() ? KEY_WOW64_64KEY : 0);
}

void SetValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size)
{
    const LONG status = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    if (status != ERROR_SUCCESS)
        throw ESetValueError(Format("ReSetValueEx error %ld", static_cast<long>(status)));
}

// The terminating zero is stored with the text.
void SetText(HKEY key, const char* name, const std::string& text)
{
    SetValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void SetDword(HKEY key, const char* name, DWORD value)
{
    SetValue(key, name, REG_DWORD, &value, sizeof value);
}

// Runs the step on the key of printers 1 and 2 (subkey appended when given); returns how many
// keys were opened.
template <typename Step> int ForEachPrinterKey(const char* subKey, Step step)
{
    const REGSAM access = PrinterKeyAccess();
    int done = 0;
    for (int index = 1; index <= 2; ++index) {
        std::string path = Format("SOFTWARE\\VELT Korvel\\VELT Imager %d", index);
        if (subKey)
            path += subKey;
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &opened);
        if (status != ERROR_SUCCESS) {
            if (index == 1)
                ShowMessage(Format("RegOpenKeyEx error %ld", static_cast<long>(status)));
            continue;
        }
        UniqueRegKey key(opened);
        try {
            step(key.get());
        } catch (const ESetValueError& error) {
            ShowMessage(error.Message());
        }
        key.reset();
        ++done;
    }
    return done;
}

} // namespace

bool TMainForm::CheckAdministrator()
{
    if (IsAdminElevated())
        return true;
    ShowMessage("You need run as both Administrator and Elevated (Windows Vista, 7, and other UAC O/S), for this "
                "operation!");
    return false;
}

void TMainForm::FillRegistry(int TransferMode)
{
    if (!CheckAdministrator())
        return;
    const std::string exeName = Application->ExeName();
    const std::string title = Caption();
    const int done = ForEachPrinterKey(nullptr, [&](HKEY key) {
        SetText(key, "Client application", exeName);
        SetText(key, "Target window class", "TMainForm");
        SetText(key, "Target window title", title);
        SetDword(key, "Transfer mode", static_cast<DWORD>(TransferMode));
    });
    if (done > 0)
        ShowMessage(Format("Done for %d printers!", done));
    else
        ShowMessage("Could not find any \"VELT Imager\" printer!");
}

void TMainForm::PrepareText(bool Enabled)
{
    if (!CheckAdministrator())
        return;
    const int done = ForEachPrinterKey("\\Defaults", [&](HKEY key) {
        SetDword(key, "TXT: Enabled", Enabled ? 1 : 0);
        SetDword(key, "TXT: Encoding", 2);
        SetDword(key, "TXT: Separate", 1);
        SetDword(key, "TXT: Write BOM", 1);
    });
    if (done > 0)
        ShowMessage(Format("Done for %d printers!", done));
    else
        ShowMessage("Could not find any (correct version) \"VELT Imager\" printer!");
}

void TMainForm::Setupactions1Click(TObject* /*Sender*/)
{
    if (CheckAdministrator())
        vimgPrefForm->ShowModal();
}

void TMainForm::Usemessagesrecommended1Click(TObject* /*Sender*/)
{
    FillRegistry(1);
}

void TMainForm::UseEXEspecialcase1Click(TObject* /*Sender*/)
{
    FillRegistry(0);
}

void TMainForm::Preparetext1Click(TObject* /*Sender*/)
{
    PrepareText(Preparetext1.Checked());
}
