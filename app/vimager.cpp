// Program entry: the application object, the three forms in their order, the message loop.
#include "app/Vimager1.h"
#include "dialogs/Vimg_about.h"
#include "dialogs/Vimgpref.h"
#include "text/Refreshui.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    TApplication application;
    Application = &application;
    try {
        Application->Initialize();
        Application->SetTitle("VELT Imager Support");
        Application->CreateForm(MainForm);
        Application->CreateForm(AboutForm);
        Application->CreateForm(vimgPrefForm);
        Application->Run();
    } catch (...) {
        Application->HandleException();
    }
    Application->DestroyForms();
    TidyUntranslatedList();
    return application.ExitCode();
}
