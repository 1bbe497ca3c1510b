// vbench_nothing: a program of ours that starts and ends at once, the yardstick for the cost
// of a process start in command-line mode.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
