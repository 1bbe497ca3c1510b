// Both dialogs of the running program by the keyboard alone, keys given as the keyboard gives them.
#include "E2eSupport.h"

#include <commctrl.h>

namespace {

class DialogKeys : public ResidentTest {
protected:
    HWND Open(const std::vector<std::string>& menu, const char* cls)
    {
        if (!ShowMainWindow(main_) || !ClickMenu(main_, menu).empty())
            return nullptr;
        HWND dialog = WaitForShownWindow(program_.Id(), cls);
        EXPECT_NE(dialog, nullptr) << cls;
        return dialog;
    }
    // The key, then the wait until the focus is where it should be.
    static bool Focused(HWND dialog, HWND expected)
    {
        return PumpUntil([&] { return FocusOf(dialog) == expected; }, 5000);
    }
    // A window of this process comes in front and goes again; the dialog is activated anew.
    static void AnotherWindowInFront(HWND dialog)
    {
        HWND front = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "in front", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(front);
        EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == front; }, 5000));
        SetForegroundWindow(dialog);
        EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == dialog; }, 5000));
        DestroyWindow(front);
    }
    static bool DroppedDown(HWND dialog)
    {
        HWND combo = ChildWithTextPrefix(dialog, "ComboBox", "");
        return combo && SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0);
    }
};

constexpr int kSealQueue = 0;
constexpr int kAskUser = 2;

} // namespace

TEST_F(DialogKeys, PreferencesWalkByTabChooseByAltDownEnterSavesEscCancels)
{
    installation_.SetPrinter(1, "EmfRaster");
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND dialog = Open({"Tools", "Setup actions"}, "TvimgPrefForm");
    ASSERT_NE(dialog, nullptr);
    HWND grid = ChildWithTextPrefix(dialog, WC_LISTVIEWA, "");
    HWND ok = ChildWithId(dialog, IDOK);
    HWND cancel = ChildWithId(dialog, IDCANCEL);
    ASSERT_TRUE(Focused(dialog, grid));
    for (HWND next : {ok, cancel, grid, ok}) {
        PressKey(VK_TAB);
        EXPECT_TRUE(Focused(dialog, next));
    }
    AnotherWindowInFront(dialog);
    EXPECT_TRUE(Focused(dialog, ok));
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    ASSERT_TRUE(Focused(dialog, grid));

    // Alt+Down opens the row's list as F4 does; the arrows then move in the list, Enter takes it.
    PressChord(VK_MENU, VK_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return DroppedDown(dialog); }, 5000));
    PressKey(VK_DOWN);
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(ShownWindowsOf(program_.Id(), "#32768").empty()); // no menu came up
    EXPECT_TRUE(DroppedDown(dialog));
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return !DroppedDown(dialog) && ShownEntry(dialog) == kAskUser; }, 5000));
    EXPECT_TRUE(Focused(dialog, grid));
    PressKey(VK_RETURN); // the default button
    ASSERT_TRUE(WaitForHidden(dialog));
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\VELT Korvel\\VELT Imager 1", "Todo", kView64), "Ask user");

    dialog = Open({"Tools", "Setup actions"}, "TvimgPrefForm");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Focused(dialog, ChildWithTextPrefix(dialog, WC_LISTVIEWA, "")));
    PressKey(VK_F4);
    ASSERT_TRUE(PumpUntil([&] { return DroppedDown(dialog); }, 5000));
    PressKey(VK_HOME);
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return !DroppedDown(dialog) && ShownEntry(dialog) == kSealQueue; }, 5000));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitForHidden(dialog));
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\VELT Korvel\\VELT Imager 1", "Todo", kView64), "Ask user");
}

TEST_F(DialogKeys, AboutKeepsTheFocusOnOkEnterAndEscCloseIt)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    for (WORD key : {VK_RETURN, VK_ESCAPE}) {
        HWND about = Open({"Help", "About"}, "TAboutForm");
        ASSERT_NE(about, nullptr);
        HWND ok = ChildWithId(about, IDOK);
        ASSERT_TRUE(Focused(about, ok));
        PressKey(VK_TAB); // the only stop
        EXPECT_TRUE(Focused(about, ok));
        AnotherWindowInFront(about);
        EXPECT_TRUE(Focused(about, ok));
        PressKey(key);
        ASSERT_TRUE(WaitForHidden(about)) << key;
    }
}
