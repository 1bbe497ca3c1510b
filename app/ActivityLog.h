#pragma once
// The activity log's file work, apart from the clock, so that a given stamp can be written.
#include "app/Jobtext.h"

#include <string>

// Appends one stamped line to the day's file in the folder; drops it silently when the file
// cannot be opened. Never creates the folder.
void AppendLogLine(const std::string& folder, const LocalStamp& stamp, const std::string& text);
