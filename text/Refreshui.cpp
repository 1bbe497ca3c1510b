#include "text/Refreshui.h"

#include "toolkit/Classes.h"

const char* const kUntranslatedListPath = "c:\\velt korvel\\undef.txt";

void TidyUntranslatedList(const std::string& path)
{
    // The file's presence is the switch: nothing is ever created here.
    if (!FileExists(path))
        return;
    try {
        TStringList list;
        // Sorted without regard to case; a sorted list ignores a line equal to one it holds.
        list.SetSorted(true);
        try {
            list.LoadFromFile(path);
        } catch (const Exception&) {
            return;
        }
        try {
            list.SaveToFile(path);
        } catch (const Exception&) {
        }
    } catch (...) {
        // Nothing of the list's upkeep may disturb the program's end.
    }
}
