#pragma once
// The program's application object, which every form reaches, and its plain message.
#include "toolkit/Forms.h"

#include <string>

extern TApplication* Application;

// Plain message with one OK button and the application title as caption.
void ShowMessage(const std::string& text);
