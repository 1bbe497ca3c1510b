// The Tools menu: the printers' registry settings that point the printer side at this program,
// and the marks of the Fill registry menu that show them.
#include "app/Vimager1.h"

#include "dialogs/Vimgpref.h"
#include "support/PrinterKeys.h"
#include "support/Vsupport1.h"
#include "toolkit/Registry.h"

namespace {

// A value of a printer key that could not be set; ends that printer's step.
class ESetValueError : public Exception {
public:
    using Exception::Exception;
};

void Check(LONG status)
{
    if (status != ERROR_SUCCESS)
        throw ESetValueError(Format("ReSetValueEx error %ld", static_cast<long>(status)));
}

// Runs the step on the key of printers 1 and 2 (or on their "Defaults" subkeys); returns how
// many keys were opened.
template <typename Step> int ForEachPrinterKey(bool defaults, Step step)
{
    const REGSAM access = PrinterKeyAccess(KEY_ALL_ACCESS);
    TRegistry registry(access, HKEY_LOCAL_MACHINE);
    int done = 0;
    for (int index = 1; index <= 2; ++index) {
        const LONG status = registry.Open(defaults ? PrinterDefaultsKeyPath(index) : PrinterKeyPath(index), access);
        if (status != ERROR_SUCCESS) {
            if (index == 1)
                ShowMessage(Format("RegOpenKeyEx error %ld", static_cast<long>(status)));
            continue;
        }
        try {
            step(registry);
        } catch (const ESetValueError& error) {
            ShowMessage(error.Message());
        }
        registry.CloseKey();
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

bool TMainForm::FillRegistry(int TransferMode)
{
    if (!CheckAdministrator())
        return false;
    const std::string exeName = Application->ExeName();
    const std::string title = Caption();
    const int done = ForEachPrinterKey(false, [&](TRegistry& key) {
        Check(key.SetString(PrinterValue::ClientApplication, exeName));
        Check(key.SetString(PrinterValue::TargetWindowClass, "TMainForm"));
        Check(key.SetString(PrinterValue::TargetWindowTitle, title));
        Check(key.SetInteger(PrinterValue::TransferMode, static_cast<DWORD>(TransferMode)));
    });
    if (done > 0)
        ShowMessage(Format("Done for %d printers!", done));
    else
        ShowMessage("Could not find any \"VELT Imager\" printer!");
    return done > 0;
}

bool TMainForm::PrepareText(bool Enabled)
{
    if (!CheckAdministrator())
        return false;
    const int done = ForEachPrinterKey(true, [&](TRegistry& key) {
        Check(key.SetInteger(PrinterValue::TextEnabled, Enabled ? 1 : 0));
        Check(key.SetInteger(PrinterValue::TextEncoding, 2));
        Check(key.SetInteger(PrinterValue::TextSeparate, 1));
        Check(key.SetInteger(PrinterValue::TextWriteBom, 1));
    });
    if (done > 0)
        ShowMessage(Format("Done for %d printers!", done));
    else
        ShowMessage("Could not find any (correct version) \"VELT Imager\" printer!");
    return done > 0;
}

void TMainForm::Setupactions1Click()
{
    if (CheckAdministrator())
        vimgPrefForm->ShowModal();
}

// The marks follow what was written: a click that wrote nothing leaves them as they were.
void TMainForm::Usemessagesrecommended1Click()
{
    if (FillRegistry(1))
        Usemessagesrecommended1.SetChecked(true);
}

void TMainForm::UseEXEspecialcase1Click()
{
    if (FillRegistry(0))
        UseEXEspecialcase1.SetChecked(true);
}

void TMainForm::Preparetext1Click()
{
    const bool enabled = !Preparetext1.Checked();
    if (PrepareText(enabled))
        Preparetext1.SetChecked(enabled);
}

void TMainForm::WMInitMenuPopup(TMessage& Message)
{
    if (reinterpret_cast<HMENU>(Message.WParam) != Fillregistry1.SubMenu())
        return;
    // Only printer 1's settings show; without its "Defaults" key no mark changes.
    TRegistry registry(PrinterKeyAccess(KEY_QUERY_VALUE), HKEY_LOCAL_MACHINE);
    DWORD value = 0;
    if (!registry.OpenKey(PrinterDefaultsKeyPath(1)))
        return;
    if (registry.ReadInteger(PrinterValue::TextEnabled, value))
        Preparetext1.SetChecked(value != 0);
    if (!registry.OpenKey(PrinterKeyPath(1)) || !registry.ReadInteger(PrinterValue::TransferMode, value))
        return;
    if (value == 0)
        UseEXEspecialcase1.SetChecked(true);
    else if (value == 1)
        Usemessagesrecommended1.SetChecked(true);
}
