#pragma once
// Resource and command identifiers of the program.
#include "dialogs/DialogResources.h"
#define IDI_WARNICON 2

#define IDM_MAINMENU 100

#define IDM_FILE1 200
#define IDM_EXIT1 201
#define IDM_RETRYWAITINGJOBS1 202
#define IDM_WAITINGJOBS1 203
#define IDM_OPEN1 204
#define IDM_TRAYMENU 101
#define IDM_TOOLS1 210
#define IDM_FILLREGISTRY1 211
#define IDM_USEMESSAGESRECOMMENDED1 212
#define IDM_USEEXESPECIALCASE1 213
#define IDM_PREPARETEXT1 214
#define IDM_SETUPACTIONS1 215
#define IDM_HELP1 220
#define IDM_ABOUT1 221
