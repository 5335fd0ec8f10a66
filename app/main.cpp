// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupSession.h"
#include "ControlFont.h"
#include "DataFolder.h"
#include "Desktop.h"
#include "HotkeyBindings.h"
#include "QtTranslation.h"
#include "SingleInstance.h"
#include "SystemClock.h"
#include "SystemServices.h"
#include "TrayIcon.h"
#include "frm_timer.h"
#include "frmshow.h"

#include "Leftovers.h"
#include "RestoreRecovery.h"
#include "StatusTexts.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QMessageBox>
#include <QStandardPaths>

#include <memory>

namespace {

const QString kTitle = QStringLiteral("MC存档自动保存");

// A folder that could not be made is not a save that is missing.
QString DataFolderProblem(const QString& folder, const std::error_code& error)
{
    return QDir::toNativeSeparators(folder) + QStringLiteral("：") +
           (error == std::errc::no_such_file_or_directory
                ? QStringLiteral("无法创建这个文件夹")
                : QString::fromStdString(saver::FailureReason(error, folder.toStdString())));
}

// `named` is the folder MCSAVER_DATA_DIR gave, or "".
QString NoDataFolderText(const QString& named, const QString& userDataDir,
                         const std::error_code& error)
{
    if (!named.isEmpty()) {
        return QStringLiteral("无法使用 MCSAVER_DATA_DIR 指定的数据文件夹 ") +
               DataFolderProblem(named, error);
    }
    const QString start = QStringLiteral("程序所在的文件夹不能写入，");
    if (userDataDir.isEmpty()) {
        return start + QStringLiteral("也找不到用户的数据文件夹（未设置 HOME）。");
    }
    return start + QStringLiteral("也无法使用数据文件夹 ") + DataFolderProblem(userDataDir, error);
}

// MCSAVER_DATA_DIR names the data folder outright; --user-data keeps the program's files in
// the user's data folder even when it could write beside itself, as a build tree can.
saver::DataFolder ChooseDataFolder(const QString& named, bool userData, const QString& userDataDir)
{
    if (!named.isEmpty()) {
        return saver::ChooseDataFolder({}, QDir::fromNativeSeparators(named).toStdString());
    }
    const std::string beside =
        userData ? std::string() : QCoreApplication::applicationDirPath().toStdString();
    return saver::ChooseDataFolder(beside, userDataDir.toStdString(), SAVER_INSTALLED_BINDIR);
}

// Said on the terminal as well, for a start from a script or a shortcut that shows nothing.
int Refuse(const QString& reason)
{
    qCritical("%s", qUtf8Printable(reason));
    QMessageBox::critical(nullptr, kTitle, reason);
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    PrepareDesktop(argc, argv);
    QApplication app(argc, argv);
    // The per-user folder becomes ~/.local/share/mcsaver (%LOCALAPPDATA%\mcsaver on Windows)
    // whatever the executable is called; with an organisation name as well, Qt would nest it
    // one level deeper for no gain.
    QCoreApplication::setApplicationName(QStringLiteral("mcsaver"));
    // Wayland desktops find the window's icon and name through the installed desktop file.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.mcsaver.McSaver"));
    SubstituteLayoutFonts();
    InstallQtTranslation(QLocale::system());
    // The floating window is a tool window, which Qt does not count as a last window: the
    // program ends when the windows say both are closed.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString userDataDir =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    const QString named = qEnvironmentVariable("MCSAVER_DATA_DIR");
    const saver::DataFolder dataFolder = ChooseDataFolder(
        named, QCoreApplication::arguments().contains(QStringLiteral("--user-data")), userDataDir);
    if (dataFolder.error) {
        return Refuse(NoDataFolderText(named, userDataDir, dataFolder.error));
    }

    SingleInstance instance(QString::fromStdString(dataFolder.path));
    const SingleInstance::Claim claim = instance.ClaimDataFolder();
    if (claim.role == SingleInstance::Role::Other) {
        return 0;
    }
    if (claim.role == SingleInstance::Role::Refused) {
        return Refuse(claim.reason);
    }
    if (!claim.reason.isEmpty()) {
        QMessageBox::warning(nullptr, kTitle, claim.reason);
    }
    saver::SystemServices files(dataFolder.path);
    saver::RemoveLeftovers(files);
    // A restore cut short by a kill or a power cut is put right before anything else runs.
    const std::string recovered = saver::RecoveryText(saver::RecoverInterruptedRestore(files));
    if (!recovered.empty()) {
        QMessageBox::warning(nullptr, kTitle, QString::fromStdString(recovered));
    }
    saver::SystemClock clock;
    BackupSession session(files, clock);
    frmshow floating(session);
    frm_timer main(session, floating);
    QObject::connect(&floating, &frmshow::Unloaded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&instance, &SingleInstance::Wanted, &floating, &frmshow::BringForward);

    const Desktop desktop = ConnectDesktop();
    std::unique_ptr<TrayIcon> tray;
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray = std::make_unique<TrayIcon>(session, floating, main);
        session.SetNotifier(tray.get());
    } else {
        session.SetNotifier(desktop.notifier.get());
    }
    HotkeyBindings hotkeys(session, desktop.hotkeys.get());
    QObject::connect(main.mnuFolder->mnuHotkeys, &QAction::triggered, &hotkeys,
                     [&hotkeys, &main] { hotkeys.Edit(&main); });

    floating.show();
    // Nothing is backed up until a level.dat is chosen: the main window's prompt says so.
    if (session.ChosenSave().isEmpty()) {
        floating.lbl_Click();
    }
    hotkeys.Load(&floating);
    return QApplication::exec();
}
