#include "dialogs/Application.h"

TApplication* Application = nullptr;

void ShowMessage(const std::string& text)
{
    Application->MessageBox(text, Application->Title(), MB_OK);
}
