#pragma once

#include "SystemClock.h"
#include "SystemServices.h"
#include "frmshow.h"

#include <string>

class frm_timer;

// The services and windows as app/main.cpp puts them together, on a given program folder,
// with both windows shown: the floating one, and the main one as a click on its label
// brings it up. The QApplication must exist already; SetUpApplication sets it up as main does.
class ProgramWindows
{
public:
    explicit ProgramWindows(const std::string& appDir);
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    frm_timer& Main() { return floating.MainWindow(); }

    saver::SystemServices files;
    saver::SystemClock clock;
    frmshow floating;
};

void SetUpApplication();
