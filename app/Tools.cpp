// The Tools menu: the printers' registry settings that point the printer side at this program,
// and the marks of the Fill registry menu that show them.
#include "app/Vimager1.h"

#include "dialogs/Vimgpref.h"
#include "support/PrinterKeys.h"
#include "support/Vsupport1.h"

namespace {

// A value of a printer key that could not be set; ends that printer's step.
class ESetValueError : public Exception {
public:
    using Exception::Exception;
};

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

// Runs the step on the key of printers 1 and 2 (or on their "Defaults" subkeys); returns how
// many keys were opened.
template <typename Step> int ForEachPrinterKey(bool defaults, Step step)
{
    const REGSAM access = PrinterKeyAccess(KEY_ALL_ACCESS);
    int done = 0;
    for (int index = 1; index <= 2; ++index) {
        const std::string path = defaults ? PrinterDefaultsKeyPath(index) : PrinterKeyPath(index);
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

UniqueRegKey OpenForQuery(const std::string& path)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, PrinterKeyAccess(KEY_QUERY_VALUE), &opened) !=
        ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(opened);
}

// A 32-bit number value; false when it is missing or of another kind.
bool QueryDword(const UniqueRegKey& key, const char* name, DWORD& value)
{
    DWORD type = 0;
    DWORD size = sizeof value;
    return RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof value;
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
    const int done = ForEachPrinterKey(false, [&](HKEY key) {
        SetText(key, PrinterValue::ClientApplication, exeName);
        SetText(key, PrinterValue::TargetWindowClass, "TMainForm");
        SetText(key, PrinterValue::TargetWindowTitle, title);
        SetDword(key, PrinterValue::TransferMode, static_cast<DWORD>(TransferMode));
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
    const int done = ForEachPrinterKey(true, [&](HKEY key) {
        SetDword(key, PrinterValue::TextEnabled, Enabled ? 1 : 0);
        SetDword(key, PrinterValue::TextEncoding, 2);
        SetDword(key, PrinterValue::TextSeparate, 1);
        SetDword(key, PrinterValue::TextWriteBom, 1);
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

void TMainForm::WMInitMenuPopup(TMessage& Message)
{
    const TMenuItem* item = MainMenu1.FindItemBySubMenu(reinterpret_cast<HMENU>(Message.WParam));
    if (!item || item->Name() != "Fillregistry1")
        return;
    // Only printer 1's settings show; without its "Defaults" key no mark changes.
    DWORD value = 0;
    UniqueRegKey defaults = OpenForQuery(PrinterDefaultsKeyPath(1));
    if (!defaults)
        return;
    try {
        if (QueryDword(defaults, PrinterValue::TextEnabled, value))
            Preparetext1.SetChecked(value != 0);
    } catch (...) {
    }
    defaults.reset();
    UniqueRegKey printer = OpenForQuery(PrinterKeyPath(1));
    if (!printer || !QueryDword(printer, PrinterValue::TransferMode, value))
        return;
    try {
        if (value == 0)
            UseEXEspecialcase1.SetChecked(true);
        else if (value == 1)
            Usemessagesrecommended1.SetChecked(true);
    } catch (...) {
    }
}
