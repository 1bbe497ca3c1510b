#pragma once
// What the tests (and the bench) read and set inside the main window.
#include "app/Vimager1.h"

struct MainFormProbe {
    static MainConfig& Config(TMainForm& form) { return form.Config; }
    static int JobCounter(const TMainForm& form) { return form.JobCounter; }
    static bool CloseRequested(const TMainForm& form) { return form.CloseRequested; }
    static const std::string& StopFilePath(const TMainForm& form) { return form.StopFilePath; }
    static int& RoutingDepth(TMainForm& form) { return form.RoutingDepth; }
    static std::string& VersionText(TMainForm& form) { return form.VersionText; }
    static bool RunsElevated(const TMainForm& form) { return form.RunsElevated; }
};
