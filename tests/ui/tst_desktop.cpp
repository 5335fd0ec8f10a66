// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClickableLabel.h"
#include "ColourButton.h"
#include "ControlFont.h"
#include "Desktop.h"
#include "DesktopNotifier.h"
#include "FittingLabel.h"
#include "QtTranslation.h"
#include "TestProgram.h"
#include "TrayIcon.h"
#include "WindowDescription.h"

#include <QFile>
#include <QFontInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

struct RecordingNotifier final : DesktopNotifier
{
    void Notify(const QString& title, const QString& text) override { notes << title + '|' + text; }
    QStringList notes;
};

QColor TextColour(const QWidget* label)
{
    return label->palette().color(QPalette::WindowText);
}

// The fitted font draws `label`'s whole text inside it, smaller than the font it was given.
void VerifyShownWhole(QLabel* label)
{
    const FittingLabel::Fit fit = qobject_cast<FittingLabel*>(label)->Fitted();
    const QRect area = label->contentsRect();
    const QRect needed = QFontMetrics(fit.font).boundingRect(area, fit.flags, label->text());
    QVERIFY2(area.contains(needed), qPrintable(label->text()));
    QVERIFY(fit.font.pointSizeF() < label->font().pointSizeF());
}

} // namespace

// On a player's desktop: Qt's texts in the player's language, statuses never cut, failures
// that reach a player in the game while successes stay quiet.
class DesktopTest final : public QObject
{
    Q_OBJECT

private slots:
    void failedScheduledBackupAlertsOnce()
    {
        TestProgram program;
        TrayIcon tray(program.session, program.floating, program.main);
        VerifyAsRecorded(Described(tray.Menu(), QString::fromStdString(program.root.path())),
                         QStringLiteral(TEST_SOURCE_DIR "/tray-menu.txt"));
        RecordingNotifier notifier;
        program.session.SetNotifier(&notifier);
        frm_timer& main = program.main;
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QTest::mouseClick(program.floating.cmdSave, Qt::LeftButton);
        QTRY_COMPARE(program.session.Log().Entries().size(), 1);
        QTest::mouseClick(main.Opt2, Qt::LeftButton);
        QTest::mouseClick(main.chk1, Qt::LeftButton);
        const QColor usual = TextColour(program.floating.lbl);
        QVERIFY(QFile::remove(QString::fromStdString(program.levelDat)));
        main.hide();

        program.Tick(4 * 60 + 59);
        const QString failure = QStringLiteral("保存失败：找不到存档");
        QTRY_COMPARE(main.lblShow2->text(), failure);
        QCOMPARE(notifier.notes, QStringList{QStringLiteral("人物存档备份失败|") + failure});
        QCOMPARE(TextColour(program.floating.lbl), QColor(Qt::red));
        QVERIFY(program.floating.lbl->toolTip().contains(failure));
        QCOMPARE(main.lblShow2->toolTip(), failure);
        VerifyShownWhole(main.lblShow2);
        main.lblShow2->setText("保存失败：无法删除 " + QString(90, QLatin1Char('x')));
        VerifyShownWhole(main.lblShow2);
        QCOMPARE(program.session.Log().Entries().mid(1), QStringList{"10:04:59 " + failure});

        // Still red on the next tick, until the player opens the main window.
        main.Timer2_Timer();
        QCOMPARE(TextColour(program.floating.lbl), QColor(Qt::red));
        QTest::mouseClick(program.floating.lbl, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QCOMPARE(TextColour(program.floating.lbl), usual);
        QCOMPARE(notifier.notes.size(), 1);
        main.hide();
        tray.Menu()->actions().constFirst()->trigger(); // 显示主窗口
        QVERIFY(main.isVisible());
    }

#ifdef Q_OS_WIN
    // RegisterHotKey: a held combination brings its action when pressed, whichever window has the
    // focus; a second holder is refused as taken, and a key no hotkey can end with as unsupported.
    void windowsHotkeysAreHeldAndRefusedWhenTaken()
    {
        using Outcome = GlobalHotkeys::Outcome;
        using Action = GlobalHotkeys::Action;
        const Desktop first = ConnectDesktop(), second = ConnectDesktop();
        QVERIFY(first.hotkeys && second.hotkeys);
        const QKeySequence keys(QStringLiteral("Ctrl+Alt+S"));
        QCOMPARE(first.hotkeys->Bind(Action::QuickSave, keys), Outcome::Bound);
        QCOMPARE(second.hotkeys->Bind(Action::WholeSave, keys), Outcome::Taken);
        QCOMPARE(second.hotkeys->Bind(Action::WholeSave, QKeySequence(Qt::CTRL | Qt::Key_VolumeUp)),
                 Outcome::Unsupported);

        QSignalSpy pressed(first.hotkeys.get(), &GlobalHotkeys::Triggered);
        INPUT input[6] = {};
        const WORD sequence[] = {VK_CONTROL, VK_MENU, 'S'};
        for (int i = 0; i < 3; ++i) {
            input[i].type = input[5 - i].type = INPUT_KEYBOARD;
            input[i].ki.wVk = input[5 - i].ki.wVk = sequence[i];
            input[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
        }
        QCOMPARE(::SendInput(6, input, sizeof(INPUT)), 6u);
        QTRY_COMPARE(pressed.size(), 1);
        QCOMPARE(pressed.at(0).at(0).value<Action>(), Action::QuickSave);

        QCOMPARE(first.hotkeys->Bind(Action::QuickSave, {}), Outcome::Bound);
        QCOMPARE(second.hotkeys->Bind(Action::WholeSave, keys), Outcome::Bound);
    }
#else
    // On Wayland no window stays above the game, so the program asks for XWayland, unless the
    // player chose a platform or no X server is there to be reached. The application runs
    // already: what this leaves in the environment changes nothing for the tests after it.
    void waylandSessionsRunThroughXWayland()
    {
        const char* const rows[][3] = {
            // environment, arguments, QT_QPA_PLATFORM then
            {"XDG_SESSION_TYPE=x11 DISPLAY=:0", "", "none"},
            {"XDG_SESSION_TYPE=wayland DISPLAY=:0", "platform -p", "xcb"},
            {"WAYLAND_DISPLAY=wayland-0 DISPLAY=:0", "", "xcb"},
            {"XDG_SESSION_TYPE=wayland", "", "none"},
            {"XDG_SESSION_TYPE=wayland DISPLAY=:0 QT_QPA_PLATFORM=wayland", "", "wayland"},
            {"XDG_SESSION_TYPE=wayland DISPLAY=:0", "--user-data -platform wayland", "none"}};
        for (const auto& [environment, arguments, platform] : rows) {
            for (const char* name :
                 {"XDG_SESSION_TYPE", "WAYLAND_DISPLAY", "DISPLAY", "QT_QPA_PLATFORM"})
                qunsetenv(name);
            for (const QByteArray& pair : QByteArray(environment).split(' '))
                qputenv(pair.left(pair.indexOf('=')), pair.mid(pair.indexOf('=') + 1));
            QByteArrayList words = QByteArray("mcsaver ").append(arguments).trimmed().split(' ');
            std::vector<char*> argv;
            for (QByteArray& word : words)
                argv.push_back(word.data());
            PrepareDesktop(static_cast<int>(argv.size()), argv.data());
            QCOMPARE(qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ? qgetenv("QT_QPA_PLATFORM")
                                                                  : "none",
                     platform);
        }
    }
#endif

    // The Windows faces of the layout, or Debian's nearest where they are missing (here, and under
    // Wine, which finds the faces of the host); Qt's own texts in Chinese. Last: the translation
    // stays installed for the rest of the run.
    void fontsAndQtTextsAreChinese()
    {
        SubstituteLayoutFonts();
        const QStringList faces[]{{"Microsoft YaHei", "微软雅黑", "WenQuanYi Micro Hei"},
                                  {"SimSun", "宋体", "AR PL UMing CN"}};
        for (const QStringList& face : faces) {
            const QString found = QFontInfo(ControlFont(face.at(1), 9)).family();
            QVERIFY2(face.contains(found), (face.at(1) + " -> " + found).toUtf8().constData());
        }
        QVERIFY(InstallQtTranslation(QLocale(QLocale::Chinese, QLocale::China)));
        const QMessageBox box(QMessageBox::Warning, {}, {}, QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    }
};

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
