#include "text/Refreshui.h"

#include "toolkit/Classes.h"

const char* const kUntranslatedListPath = "c:\\velt korvel\\undef.txt";

void TidyUntranslatedList(const std::string& path)
{
    // The file's presence is the switch: nothing is ever created here.
    if (!FileExists(path))
        return;
    try {
        std::string text;
        if (ReadWholeFile(path, text))
            // Sorted without regard to case; of equal lines the first read stays.
            ReplaceWholeFile(path, JoinTextLines(SortedUniqueLines(SplitTextLines(text))));
    } catch (...) {
        // Nothing of the list's upkeep may disturb the program's end.
    }
}
