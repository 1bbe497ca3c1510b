#pragma once
// Resource identifiers that the dialogs use: the program's resource file includes them, so that
// the dialogs need nothing of the program above them.
#define IDI_MAINICON 1
#define IDB_LOGO 110
