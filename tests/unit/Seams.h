#pragma once
// What the tests look at inside the toolkit and the forms, through accessors of their own.
#include "dialogs/Vimg_about.h"
#include "toolkit/TrayIcon.h"
#include "toolkit/ValueListEditor.h"

#include <commctrl.h>

struct TrayIconSeam {
    // What the shell was last told about the icon.
    static const NOTIFYICONDATAA& LastSent(const TTrayIcon& tray) { return tray.sent_; }
};

struct AboutSeam {
    // The tooltip that shows the link's hint, once the dialog's window is there.
    static HWND HintWindow(const TAboutForm& form) { return form.hint_; }
};

// The selected data row of a grid (1 = first).
inline int SelectedRow(const TValueListEditor& grid)
{
    return static_cast<int>(SendMessageA(grid.Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)) + 1;
}

// Handles what is in the thread's queue, the dialog keys as the program's loop does.
inline void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (root && IsDialogMessageA(root, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
