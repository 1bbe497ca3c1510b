// Start-up, single instance, tray and Exit of the real program.
#include "e2e/E2eSupport.h"

#include "app/resource.h"

#include <gtest/gtest.h>

namespace {

void ExitProgram(HWND main)
{
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDM_EXIT1, 0), 0);
}

} // namespace

TEST(Startup, ResidentWindowSessionAndSingleInstance)
{
    TestInstallation installation;
    VimagerProcess first;
    first.Start();
    HWND main = first.WaitForWindow();
    ASSERT_NE(main, nullptr);

    DWORD session = 0;
    ASSERT_TRUE(ProcessIdToSessionId(first.Id(), &session));
    EXPECT_TRUE(WaitForStatus(main, "Session Id: " + std::to_string(session)));
    EXPECT_EQ(StampText(main), "");
    EXPECT_EQ(InText(main), "");

    // The caption, the class and the client size are what the printer side and users see.
    RECT client{};
    GetClientRect(main, &client);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(client.right, MulDiv(387, dpi, 96));
    EXPECT_EQ(client.bottom, MulDiv(76, dpi, 96));
    EXPECT_EQ(GetWindowLongA(main, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
    EXPECT_NE(GetMenu(main), nullptr);

    // A second resident start in the same session ends at once and silently.
    VimagerProcess second;
    second.Start();
    ASSERT_TRUE(second.WaitForExit(15000));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(FindMainWindowOf(first.Id()), main);

    ExitProgram(main);
    EXPECT_TRUE(first.WaitForExit(10000));
    EXPECT_EQ(first.ExitCode(), 0u);

    // The name is free again once the first instance has ended.
    VimagerProcess third;
    third.Start();
    HWND again = third.WaitForWindow();
    ASSERT_NE(again, nullptr);
    ExitProgram(again);
    EXPECT_TRUE(third.WaitForExit(10000));
}

TEST(Startup, CloseButtonHidesInTrayOnlyExitEnds)
{
    TestInstallation installation;
    VimagerProcess program;
    program.Start();
    HWND main = program.WaitForWindow();
    ASSERT_NE(main, nullptr);
    // The first idle moment sends the window to the tray.
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(main); }, 10000));

    // A double click on the tray icon brings it back; the close button hides it again.
    PostMessageA(main, WM_APP + 1, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main) != FALSE; }, 10000));
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(main); }, 10000));
    Sleep(300);
    EXPECT_TRUE(program.Running());

    // The minimize button hides it as well, and it can come back once more.
    PostMessageA(main, WM_APP + 1, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main) != FALSE; }, 10000));
    PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(main); }, 10000));
    EXPECT_TRUE(program.Running());

    ExitProgram(main);
    EXPECT_TRUE(program.WaitForExit(10000));
}
