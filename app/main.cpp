#include "DataFolder.h"
#include "SingleInstance.h"
#include "SystemClock.h"
#include "SystemServices.h"
#include "frmshow.h"

#include "Leftovers.h"
#include "StatusTexts.h"

#include <QApplication>
#include <QFont>
#include <QMessageBox>
#include <QStandardPaths>

namespace {

QString NoDataFolderText(const QString& userDataDir, const std::error_code& error)
{
    const QString start = QStringLiteral("程序所在的文件夹不能写入，");
    if (userDataDir.isEmpty()) {
        return start + QStringLiteral("也找不到用户的数据文件夹（未设置 HOME）。");
    }
    return start + QStringLiteral("也无法使用数据文件夹 ") + userDataDir + QStringLiteral("：") +
           QString::fromStdString(saver::FailureReason(error));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The per-user folder becomes ~/.local/share/mcsaver whatever the executable is called;
    // with an organisation name as well, Qt would nest it one level deeper for no gain.
    QCoreApplication::setApplicationName(QStringLiteral("mcsaver"));
    // Wayland desktops find the window's icon and name through the installed desktop file.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.mcsaver.McSaver"));
    // The layout names the Windows fonts; these are the nearest that Debian ships.
    QFont::insertSubstitution(QStringLiteral("微软雅黑"), QStringLiteral("WenQuanYi Micro Hei"));
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("WenQuanYi Zen Hei"));
    // The floating window is a tool window, which Qt does not count as a last window: the
    // program ends when the windows say both are closed.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString userDataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const saver::DataFolder dataFolder =
        saver::ChooseDataFolder(QCoreApplication::applicationDirPath().toStdString(),
                                userDataDir.toStdString(), SAVER_INSTALLED_BINDIR);
    if (dataFolder.error) {
        QMessageBox::critical(nullptr, QStringLiteral("MC存档自动保存"),
                              NoDataFolderText(userDataDir, dataFolder.error));
        return 1;
    }

    SingleInstance instance(QString::fromStdString(dataFolder.path));
    const SingleInstance::Role role = instance.Claim();
    if (role == SingleInstance::Role::Other) {
        return 0;
    }
    saver::SystemServices files(dataFolder.path);
    if (role == SingleInstance::Role::Only) {
        saver::RemoveLeftovers(files);
    }
    saver::SystemClock clock;
    frmshow floating(files, clock);
    QObject::connect(&floating, &frmshow::Unloaded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&instance, &SingleInstance::Wanted, &floating, &frmshow::BringForward);
    floating.show();
    return QApplication::exec();
}
