#pragma once

#include "SettableClock.h"
#include "SystemServices.h"
#include "frm_timer.h"
#include "frmshow.h"

#include <QString>

// The program as main() puts it together, on a given program folder and a clock the test
// moves: the floating window first, the main window when something asks for it.
class TestProgram final
{
public:
    explicit TestProgram(const QString& appDir);
    TestProgram(const TestProgram&) = delete;
    TestProgram& operator=(const TestProgram&) = delete;

    frm_timer& Main() { return floating.MainWindow(); }
    // Answers the file dialog with `levelDat` and presses Command3, as a user picking it.
    void ChooseLevelDat(const QString& levelDat);

    saver::test::SettableClock clock;
    saver::SystemServices files;
    frmshow floating;
};

// The main window when one has been made, else nullptr; found the way a user would, among
// the program's windows.
frm_timer* MainWindowIfMade();
