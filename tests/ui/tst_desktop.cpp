// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClickableLabel.h"
#include "ColourButton.h"
#include "Desktop.h"
#include "FittingLabel.h"
#include "QtTranslation.h"
#include "TestProgram.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <optional>

// On a player's desktop: Qt's texts in the player's language, statuses never cut, failures
// that reach a player in the game while successes stay quiet.
class DesktopTest final : public QObject
{
    Q_OBJECT

private slots:
    void failedScheduledBackupAlertsOnce();
    void waylandSessionsRunThroughXWayland_data();
    void waylandSessionsRunThroughXWayland();
    void qtTextsFollowAChineseLocale();
};

namespace {

struct RecordingNotifier final : DesktopNotifier
{
    void Notify(const QString& summary, const QString& body) override
    {
        notes << summary + QLatin1Char('|') + body;
    }
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

void DesktopTest::failedScheduledBackupAlertsOnce()
{
    TestProgram program;
    RecordingNotifier notifier;
    program.floating.SetNotifier(&notifier);
    frm_timer& main = program.Main();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTest::mouseClick(program.floating.cmdSave, Qt::LeftButton);
    QTest::mouseClick(main.Opt2, Qt::LeftButton);
    QTest::mouseClick(main.chk1, Qt::LeftButton);
    const QColor usual = TextColour(program.floating.lbl);
    QVERIFY(QFile::remove(QString::fromStdString(program.levelDat)));
    main.hide();

    program.clock.Advance(4 * 60 + 59);
    main.Timer2_Timer();
    const QString failure = QStringLiteral("保存失败：找不到存档");
    QTRY_COMPARE(main.lblShow2->text(), failure);
    QCOMPARE(notifier.notes, QStringList{QStringLiteral("人物存档备份失败|") + failure});
    QCOMPARE(TextColour(program.floating.lbl), QColor(Qt::red));
    QVERIFY(program.floating.lbl->toolTip().contains(failure));
    QCOMPARE(main.lblShow2->toolTip(), failure);
    VerifyShownWhole(main.lblShow2);
    main.lblShow2->setText(QStringLiteral("保存失败：无法删除 ") + QString(90, QLatin1Char('x')));
    VerifyShownWhole(main.lblShow2);
    QCOMPARE(program.floating.Log().Entries().size(), 2); // the quick save, the failure
    QCOMPARE(program.floating.Log().Entries().last(), QStringLiteral("10:04:59 ") + failure);

    // Still red on the next tick, until the player opens the main window.
    main.Timer2_Timer();
    QCOMPARE(TextColour(program.floating.lbl), QColor(Qt::red));
    QTest::mouseClick(program.floating.lbl, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(TextColour(program.floating.lbl), usual);
    QCOMPARE(notifier.notes.size(), 1);
}

void DesktopTest::waylandSessionsRunThroughXWayland_data()
{
    QTest::addColumn<QByteArrayList>("environment");
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<QByteArray>("platform");
    const QByteArray x = "DISPLAY=:0", wayland = "XDG_SESSION_TYPE=wayland";
    QTest::newRow("X11") << QByteArrayList{"XDG_SESSION_TYPE=x11", x} << QByteArrayList{}
                         << QByteArray("none");
    QTest::newRow("Wayland") << QByteArrayList{wayland, x} << QByteArrayList{"platform", "-p"}
                             << QByteArray("xcb");
    QTest::newRow("Wayland display")
        << QByteArrayList{"WAYLAND_DISPLAY=wayland-0", x} << QByteArrayList{} << QByteArray("xcb");
    QTest::newRow("no X server") << QByteArrayList{wayland} << QByteArrayList{}
                                 << QByteArray("none");
    QTest::newRow("platform chosen") << QByteArrayList{wayland, x, "QT_QPA_PLATFORM=wayland"}
                                     << QByteArrayList{} << QByteArray("wayland");
    QTest::newRow("-platform") << QByteArrayList{wayland, x}
                               << QByteArrayList{"--user-data", "-platform", "wayland"}
                               << QByteArray("none");
}

// On Wayland no window stays above the game, so the program asks for XWayland, unless the
// player chose a platform or no X server is there to be reached.
void DesktopTest::waylandSessionsRunThroughXWayland()
{
    QFETCH(QByteArrayList, environment);
    QFETCH(QByteArrayList, arguments);
    const char* const names[] = {"XDG_SESSION_TYPE", "WAYLAND_DISPLAY", "DISPLAY",
                                 "QT_QPA_PLATFORM"};
    QList<std::optional<QByteArray>> saved;
    for (const char* name : names) {
        saved << (qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        qunsetenv(name);
    }
    for (const QByteArray& pair : environment)
        qputenv(pair.left(pair.indexOf('=')), pair.mid(pair.indexOf('=') + 1));
    arguments.prepend("mcsaver");
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    PrepareDesktop(static_cast<int>(argv.size()), argv.data());
    const QByteArray platform =
        qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ? qgetenv("QT_QPA_PLATFORM") : "none";
    for (qsizetype i = 0; i < saved.size(); ++i)
        saved[i] ? qputenv(names[i], *saved[i]) : qunsetenv(names[i]);
    QTEST(platform, "platform");
}

// Last: the translation stays installed for the rest of the run.
void DesktopTest::qtTextsFollowAChineseLocale()
{
    QVERIFY(InstallQtTranslation(QLocale(QLocale::Chinese, QLocale::China)));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("MC存档自动保存"), QStringLiteral("?"),
                    QMessageBox::Ok);
    QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
}

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
