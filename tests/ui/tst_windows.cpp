// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupListWindow.h"
#include "BackupOptions.h"
#include "BackupSettingsDialog.h"
#include "ColourButton.h"
#include "EventLogView.h"
#include "HotkeyDialog.h"
#include "TestProgram.h"
#include "WindowDescription.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <fcntl.h>
#endif

namespace {

// The colour the user sees inside a button, left of its caption.
QColor ShownColour(QWidget* button)
{
    return button->grab().toImage().pixelColor(6, button->height() / 2);
}

// Calls `open` and answers the modal windows that come up as a user would: the backup rules with
// the button `rules` gives (none to be asked again), a message box with its first button, any
// other dialog by closing it. Returns the title and text of the last box (after "warning " for a
// warning) or dialog closed, or "" when none came: at once after rules, else in five seconds.
QString
Answer(const std::function<void()>& open,
       const std::function<QDialogButtonBox::StandardButton(BackupSettingsDialog*)>& rules = {})
{
    QString shown;
    QTimer poll;
    poll.callOnTimeout([&shown, &rules] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<BackupSettingsDialog*>(modal)) {
            if (const auto button = rules(dialog); button != QDialogButtonBox::NoButton)
                QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(button),
                                  Qt::LeftButton);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown = (box->icon() == QMessageBox::Warning ? "warning " : "") + box->windowTitle() +
                    ": " + box->text();
            box->buttons().constFirst()->click();
        } else if (auto* other = qobject_cast<QDialog*>(modal)) {
            shown = other->windowTitle();
            other->reject();
        }
    });
    poll.start(10);
    open();
    return rules || QTest::qWaitFor([&shown] { return !shown.isEmpty(); }) ? shown : QString();
}
std::function<void()> Click(QWidget* widget)
{
    return [widget] { QTest::mouseClick(widget, Qt::LeftButton); };
}

std::string ReadIfThere(const std::string& path)
{
    return std::filesystem::exists(saver::test::NativePath(path)) ? saver::test::ReadFile(path)
                                                                  : std::string();
}

constexpr const char* kGameLock = "MCSAVER_TEST_GAME_LOCK";

// The game with its world open: a second copy of this test program, started with kGameLock set
// to the path of session.lock, holds that lock as the game does until its input is closed.
void HoldGameLockIfAsked()
{
    const char* path = std::getenv(kGameLock);
    if (path == nullptr)
        return;
#ifndef _WIN32 // the test that needs it is skipped under Wine
    struct flock whole = {};
    whole.l_type = F_WRLCK;
    const bool held = ::fcntl(::open(path, O_RDWR | O_CREAT, 0644), F_SETLK, &whole) == 0;
#else
    const bool held = false;
#endif
    std::puts(held ? "held" : "refused");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    std::exit(0);
}

// The player opens the world in the save folder `save` and leaves it, as `session` sees.
void OpenAndLeave(BackupSession& session, const std::string& save)
{
    QSignalSpy inUse(&session, &BackupSession::SaveInUseChanged);
    QProcess game;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kGameLock, QString::fromStdString(save + "/session.lock"));
    game.setProcessEnvironment(environment);
    game.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(game.waitForReadyRead(20000) && game.readAll().startsWith("held"));
    QTRY_COMPARE_WITH_TIMEOUT(inUse.size(), 1, 10000);
    game.closeWriteChannel();
    QVERIFY(game.waitForFinished(20000));
    QTRY_COMPARE_WITH_TIMEOUT(inUse.size(), 2, 10000);
}

} // namespace

// Both windows driven by clicks, checked by what the user sees and what lands on disk.
// Whole saves run beside the windows, which stay live meanwhile; closing the program stops one.
class WindowsTest final : public QObject
{
    Q_OBJECT

public:
    static void initMain() { HoldGameLockIfAsked(); }

private slots:
    // Both windows control by control as a first start shows them, once the save is chosen,
    // and the dialogs they open: the backup rules, the hotkeys and a log longer than its view.
    // A deliberate change of layout is recorded by copying the .actual file the test leaves.
    void windowsAsTheyFirstOpen()
    {
        TestProgram p;
        const QString root = QString::fromStdString(p.root.path());
        BackupSettingsDialog rules({.keepNewest = 3, .skipUnchanged = true}, nullptr);
        HotkeyDialog hotkeys({QKeySequence(QStringLiteral("Ctrl+Shift+S"))}, nullptr);
        EventLog entries;
        for (int i = 0; i < 30; ++i)
            entries.Add(QStringLiteral("10:00:00 %1").arg(i));
        EventLogView log(entries, nullptr);
        for (QWidget* dialog : std::initializer_list<QWidget*>{&rules, &hotkeys, &log})
            dialog->show();
        VerifyAsRecorded(Described(&p.floating, root) + Described(&p.main, root) +
                             Described(&rules, root) + Described(&hotkeys, root) +
                             Described(&log, root),
                         QStringLiteral(TEST_SOURCE_DIR "/windows-at-start.txt"));
    }

    // A save under a Chinese user name, as the system's dialog gives it: stored, shown as the
    // system writes paths and by a later run, then quick-saved and restored.
    void quickSaveAndRestoreOfAChineseSavePath()
    {
        TestProgram p;
        const std::string level =
            p.root.path() + "/Users/张三/AppData/Roaming/.minecraft/saves/新的世界/level.dat";
        std::filesystem::create_directories(saver::test::NativePath(level).parent_path());
        saver::test::WriteFile(level, kLevel);
        const QString shown = QDir::toNativeSeparators(QString::fromStdString(level));
        FileDialog::setNextFileName(shown);
        QTest::mouseClick(p.main.Command3, Qt::LeftButton);
        FileDialog::setNextCancelled(); // a cancelled dialog keeps the choice
        QTest::mouseClick(p.main.Command3, Qt::LeftButton);
        QCOMPARE(p.main.fram_Save->title(), shown);

        BackupSession session(p.files, p.clock);
        frmshow later(session);
        const frm_timer main(session, later);
        QCOMPARE(main.fram_Save->title(), shown);
        QVERIFY(main.focusWidget() == main.Command3); // the path is the first thing to set

        QCOMPARE(Answer(Click(p.floating.cmdPaste)), "tmp.back不存在: 程序目录没有发现备份文件！");
        QTest::mouseClick(p.floating.cmdSave, Qt::LeftButton);
        QTRY_COMPARE(ReadIfThere(p.app + "/tmp.back"), kLevel);
        saver::test::WriteFile(level, "spoilt by the game");
        QTest::mouseClick(p.floating.cmdPaste, Qt::LeftButton);
        QTRY_COMPARE(ReadIfThere(level), kLevel);
        QCOMPARE(saver::test::ReadFile(p.app + "/【刷物】leveldat/10_00_00level.dat"),
                 "spoilt by the game");
        // Without level.dat the slot is kept, and a restore brings level.dat back.
        std::filesystem::remove(saver::test::NativePath(level));
        QCOMPARE(Answer(Click(p.floating.cmdSave)), "warning 保存失败: 快速保存失败：找不到存档");
        QTest::mouseClick(p.floating.cmdPaste, Qt::LeftButton);
        QTRY_COMPARE(ReadIfThere(level), kLevel);
        // Only the clicks that went through stepped their button on: red, yellow, green, red.
        QTRY_COMPARE(ShownColour(p.floating.cmdPaste), QColor(Qt::yellow));
        for (const QColor next : {QColor(Qt::yellow), QColor(Qt::green), QColor(Qt::red)}) {
            QTest::mouseClick(p.floating.cmdSave, Qt::LeftButton);
            QTRY_COMPARE(ShownColour(p.floating.cmdSave), next);
        }
        // The menu: the log, and the folder the offscreen desktop cannot show.
        FolderMenu& menu = *p.main.mnuFolder;
        QVERIFY(Answer([&menu] { menu.mnuLog->trigger(); }).startsWith("事件记录"));
        QCOMPARE(Answer([&menu] { menu.mnuOpenFolder->trigger(); }),
                 "warning MC存档自动保存: 无法打开备份文件夹：" + p.session.DataFolder());
    }

    void automaticBackups()
    {
        TestProgram p;
        frm_timer& main = p.main;
        main.HScroll2->setValue(1);
        QTest::mouseClick(main.chk1, Qt::LeftButton);
        QCOMPARE(ShownColour(main.chk1), QColor(Qt::green));
        QVERIFY(main.Timer2->isActive());
        // A border to drag the floating window by, where it stands.
        const QRect place = p.floating.geometry();
        QTest::mouseClick(main.cmd2, Qt::LeftButton);
        QCOMPARE(main.cmd2->text(), "固定");
        QCOMPARE(p.floating.geometry(), place);
        QVERIFY(p.floating.isVisible());
        // Command1 brings the countdown to the floating window.
        QTest::mouseClick(main.Command1, Qt::LeftButton);
        p.Tick(1);
        QTRY_COMPARE(p.floating.lbl->text(), "00:59");
        // The whole save due now waits halfway; the windows go on answering meanwhile.
        p.Tick(58);
        QTRY_COMPARE(main.lblShow2->text(), "正在保存… 50%");
        QTRY_COMPARE(p.floating.lbl->text(), "00:01");
        QTest::mouseClick(main.Command4, Qt::LeftButton);
        QCOMPARE(main.lblShow2->text(), "上一次整体保存尚未完成");
        p.files.OpenGate();
        QTRY_COMPARE(main.lblShow2->text(), "第1次 保存成功！（新增 31 B）");
        QCOMPARE(main.lblShow1->text(), "10:0:59");
        QCOMPARE(main.lblShow1->toolTip(), "10:0:59");
        QTest::mouseClick(main.Opt2, Qt::LeftButton);
        p.Tick(60);
        QCOMPARE(main.lblShow2->text(), "10:1:59保存成功！");
        QCOMPARE(saver::test::ReadFile(p.app + "/【存档】leveldat/10_01_59level.dat"), kLevel);
        // Switched off, the next backup time passes without one.
        QTest::mouseClick(main.chk1, Qt::LeftButton);
        QCOMPARE(ShownColour(main.chk1), QColor(Qt::red));
        QVERIFY(!main.Timer2->isActive());
        p.Tick(60);
        QCOMPARE(main.lblShow1->text(), "10:1:59");
    }

    void closingStopsTheBackgroundCopy()
    {
        for (const bool closeMain : {false, true}) {
            TestProgram p;
            QTest::mouseClick(p.main.Command4, Qt::LeftButton);
            QTRY_COMPARE(p.main.lblShow2->text(), "正在保存… 50%");
            QSignalSpy ended(&p.floating, &frmshow::Unloaded);
            QVERIFY(closeMain ? p.main.close() : p.floating.close());
            QCOMPARE(ended.count(), 1);
            QVERIFY(!p.floating.isVisible() && !p.main.isVisible());
            const QDir app(QString::fromStdString(p.app));
            QTRY_COMPARE(app.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                         QStringList{"saver.ini"});
        }
    }
    void backupRulesSetInTheDialogPrune()
    {
        TestProgram p;
        p.files.OpenGate();
        frm_timer& main = p.main;
        // Cancelled, the dialog keeps nothing; rules that cannot be saved are told.
        p.files.FailAt(1, std::errc::read_only_file_system);
        for (const auto& [button, told] :
             {std::pair{QDialogButtonBox::Cancel, ""},
              {QDialogButtonBox::Ok, "warning MC存档自动保存: 无法保存设置：没有权限"}}) {
            const auto nine = [button = button](BackupSettingsDialog* dialog) {
                dialog->spnKeepNewest->setValue(9);
                return button;
            };
            QCOMPARE(Answer(Click(main.cmdManage), nine), told);
        }
        QVERIFY(!QFile::exists(QString::fromStdString(p.app + "/options.ini")) &&
                main.findChild<BackupListWindow*>() == nullptr);
        QTest::mouseClick(main.Command4, Qt::LeftButton);
        QTRY_VERIFY(main.lblShow2->text().startsWith("第1次 保存成功！"));
        WhenModal<BackupSettingsDialog>([](BackupSettingsDialog& dialog) {
            // The size of the backups arrives from the background.
            const QRegularExpression usage("^整体存档备份共占用磁盘 [1-9][0-9.]* [KM]?B。");
            QTRY_VERIFY2(dialog.lblUsage->text().contains(usage),
                         qPrintable(dialog.lblUsage->text()));
            QTest::mouseClick(dialog.chkKeepNewest, Qt::LeftButton);
            dialog.spnKeepNewest->setValue(2);
            QTest::mouseClick(dialog.chkPruneManual, Qt::LeftButton);
            QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        });
        main.mnuFolder->mnuManage->trigger();
        for (int number = 2; number <= 4; ++number) {
            p.clock.Advance(1);
            QTest::mouseClick(main.Command4, Qt::LeftButton);
            QTRY_VERIFY(main.lblShow2->text().startsWith(QString("第%1次 保存成功！").arg(number)));
        }
        QCOMPARE(QDir(QString::fromStdString(p.app)).entryList({"【*"}, QDir::Dirs, QDir::Name),
                 (QStringList{"【3】10_0_2", "【4】10_0_3"}));
        // The rule holds after a restart.
        QCOMPARE(saver::OptionsFile(p.real).Load().keepNewest, 2);
    }

    // Leaving the world backs the save up once, unless switched off in the dialog.
    void backupOnLeavingTheWorld()
    {
#if defined(Q_OS_WIN) || defined(__SANITIZE_THREAD__)
        // Under Wine it ran past the time limit; the race detector cannot follow the fork of a
        // process whose parent runs threads.
        QSKIP("The second copy of the test that holds the lock cannot run here");
#endif
        TestProgram p;
        p.files.OpenGate();
        const QString status = p.main.lblShow2->text();
        for (const bool on : {false, true}) {
            Answer(Click(p.main.cmdManage), [](BackupSettingsDialog* dialog) {
                // On the box itself: the row is wider than its text.
                QTest::mouseClick(dialog->chkWorldClosed, Qt::LeftButton, {}, QPoint(8, 8));
                return QDialogButtonBox::Ok;
            });
            QCOMPARE(saver::OptionsFile(p.real).Load().backupOnWorldClose, on);
            OpenAndLeave(p.session, p.save);
            QCOMPARE(p.main.lblShow2->text() == status, !on);
        }
        QTRY_VERIFY(p.main.lblShow2->text().startsWith("第1次 保存成功！"));
        QCOMPARE(QDir(QString::fromStdString(p.app)).entryList({"【*"}, QDir::Dirs),
                 QStringList{"【1】10_0_0"});
        const QDir made(QString::fromStdString(p.app + "/【1】10_0_0"));
        QVERIFY(made.exists(".worldclosed") && !made.exists(".manual"));
        p.main.mnuFolder->mnuBackupList->trigger();
        auto* rows = p.main.findChild<BackupListWindow*>()->lstBackups;
        QTRY_COMPARE(rows->findItems("整体存档（退出存档时）", Qt::MatchExactly, 1).size(), 1);
        // Asked for again, the list open behind the main window comes to the front.
        p.main.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &p.main);
        p.main.mnuFolder->mnuBackupList->trigger();
        QTRY_COMPARE(QApplication::activeWindow(), rows->window());
    }
};

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
