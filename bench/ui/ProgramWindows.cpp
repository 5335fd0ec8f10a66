#include "ProgramWindows.h"

#include "frm_timer.h"

#include <QApplication>
#include <QFont>

ProgramWindows::ProgramWindows(const std::string& appDir) : files(appDir), floating(files, clock) {}

void SetUpApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("mcsaver"));
    QFont::insertSubstitution(QStringLiteral("微软雅黑"), QStringLiteral("WenQuanYi Micro Hei"));
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("WenQuanYi Zen Hei"));
    QApplication::setQuitOnLastWindowClosed(false);
}
