#include "SystemClock.h"
#include "SystemServices.h"
#include "frmshow.h"

#include <QApplication>
#include <QFont>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The layout names the Windows fonts; these are the nearest that Debian ships.
    QFont::insertSubstitution(QStringLiteral("微软雅黑"), QStringLiteral("WenQuanYi Micro Hei"));
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("WenQuanYi Zen Hei"));
    // The floating window is a tool window, which Qt does not count as a last window: the
    // program ends when the windows say both are closed.
    QApplication::setQuitOnLastWindowClosed(false);

    saver::SystemServices files(QCoreApplication::applicationDirPath().toStdString());
    saver::SystemClock clock;
    frmshow floating(files, clock);
    QObject::connect(&floating, &frmshow::Unloaded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    floating.show();
    return QApplication::exec();
}
