#include "TestProgram.h"

#include "FileDialog.h"

#include <QApplication>
#include <QPushButton>

TestProgram::TestProgram(const QString& appDir)
    : clock(10, 0, 0), files(appDir.toStdString()), floating(files, clock)
{
}

void TestProgram::ChooseLevelDat(const QString& levelDat)
{
    FileDialog::setNextFileName(levelDat);
    Main().Command3->click();
}

frm_timer* MainWindowIfMade()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<frm_timer*>(window)) {
            return main;
        }
    }
    return nullptr;
}
