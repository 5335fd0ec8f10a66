#include "ClickableLabel.h"
#include "ColorDialog.h"
#include "ColourButton.h"
#include "FileDialog.h"
#include "FolderOpener.h"
#include "ScreenProbes.h"
#include "TestFolders.h"
#include "TestProgram.h"

#include "AutoSaver.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <memory>

// The main window: its layout at start and what each control does for the user.
class MainWindowTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startState();
    void controls_data();
    void controls();
    void tabOrder();
    void chk1ShowsSwitchAndRunsCountdown();
    void intervalCaptionFollowsScrollBar_data();
    void intervalCaptionFollowsScrollBar();
    void intervalTrackClickMovesOneMinute();
    void opacityFollowsScrollBar_data();
    void opacityFollowsScrollBar();
    void opacityTrackClickMovesOneStep();
    void cmd2TogglesFloatingBorder();
    void labelColour_data();
    void labelColour();
    void chooseLevelDat_data();
    void chooseLevelDat();
    void cancelKeepsEarlierChoice();
    void unwritableSettingsWarn();
    void command1CopiesCountdownToFloatingWindow();
    void backupKindFollowsOption_data();
    void backupKindFollowsOption();
    void saveFrameTellsWhereBackupsGo();
    void menuOpensBackupFolder_data();
    void menuOpensBackupFolder();

private:
    frm_timer& Main() { return m_program->Main(); }

    std::unique_ptr<TestFolders> m_folders;
    std::unique_ptr<TestProgram> m_program;
};

void MainWindowTest::init()
{
    m_folders = std::make_unique<TestFolders>();
    m_program = std::make_unique<TestProgram>(m_folders->AppDir());
    m_program->floating.show();
    QTest::mouseClick(m_program->floating.lbl, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(&Main()));
}

void MainWindowTest::cleanup()
{
    FolderOpener::setOpenerForTests({});
    m_program.reset();
    m_folders.reset();
}

void MainWindowTest::startState()
{
    frm_timer& main = Main();
    QCOMPARE(main.windowTitle(), QStringLiteral("MC存档自动保存"));
    QCOMPARE(main.geometry(), QRect(79, 78, 682, 545));
    QVERIFY(main.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(main.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(main.minimumSize() != main.maximumSize());
    QCOMPARE(main.focusWidget(), main.Command3);

    QCOMPARE(main.VScroll1->value(), 200);
    QCOMPARE(main.HScroll2->value(), 5);
    QVERIFY(main.Opt1->isChecked());
    QVERIFY(!main.Opt2->isChecked());
    QVERIFY(!main.chk1->isChecked());
    QVERIFY(main.chk1->text().isEmpty());
    QCOMPARE(ShownColour(main.chk1), QColor(255, 0, 0));

    QVERIFY(!main.Timer1->isActive());
    QVERIFY(!main.Timer2->isActive());
    for (QTimer* timer : {main.Timer1, main.Timer2}) {
        QCOMPARE(timer->interval(), 1000);
        QCOMPARE(timer->timerType(), Qt::PreciseTimer);
    }
    for (QScrollBar* bar : {main.VScroll1, main.HScroll2}) {
        QCOMPARE(bar->singleStep(), 1);
        QCOMPARE(bar->pageStep(), 1);
    }
    QCOMPARE(main.VScroll1->minimum(), 0);
    QCOMPARE(main.VScroll1->maximum(), 255);
    QCOMPARE(main.HScroll2->minimum(), 1);
    QCOMPARE(main.HScroll2->maximum(), 60);
}

void MainWindowTest::controls_data()
{
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("family"); // empty: the application's font
    QTest::addColumn<qreal>("points");

    const QString song = QStringLiteral("宋体");
    const QString yaHei = QStringLiteral("微软雅黑");
    QTest::newRow("Frame1") << "frm_timer" << QRect(384, 8, 281, 217) << "【自动保存模块】运行状态"
                            << song << 14.25;
    QTest::newRow("lblShow1") << "Frame1" << QRect(16, 32, 249, 41) << "保存的时间" << yaHei
                              << 26.25;
    QTest::newRow("lblShow2") << "Frame1" << QRect(16, 88, 249, 41) << "保存的状态" << yaHei
                              << 26.25;
    QTest::newRow("lblShow3") << "Frame1" << QRect(16, 152, 249, 41) << "倒计时" << yaHei << 26.25;
    QTest::newRow("fram_1") << "frm_timer" << QRect(24, 8, 257, 217) << "小窗，透明度： 200" << song
                            << 14.25;
    QTest::newRow("VScroll1") << "fram_1" << QRect(104, 40, 65, 145) << ""
                              << "" << 0.0;
    QTest::newRow("Command1") << "fram_1" << QRect(16, 40, 73, 41) << "显示" << yaHei << 18.0;
    QTest::newRow("cmd2") << "fram_1" << QRect(16, 88, 73, 41) << "移动" << yaHei << 18.0;
    QTest::newRow("Command2") << "fram_1" << QRect(16, 144, 73, 41) << "换色" << yaHei << 18.0;
    QTest::newRow("fram_Save") << "frm_timer" << QRect(24, 248, 641, 281)
                               << QString::fromUtf8(saver::kPathPrompt) << yaHei << 14.25;
    QTest::newRow("Frame2") << "fram_Save" << QRect(16, 128, 345, 73)
                            << "选择保存的源，红色为关，绿色为开" << song << 14.25;
    QTest::newRow("Opt2") << "Frame2" << QRect(184, 32, 113, 25) << "人物存档" << song << 14.25;
    QTest::newRow("Opt1") << "Frame2" << QRect(32, 32, 105, 25) << "整体存档" << song << 14.25;
    QTest::newRow("fram_HowLong") << "fram_Save" << QRect(16, 32, 345, 81) << "保存间隔 5 分钟"
                                  << song << 14.25;
    QTest::newRow("HScroll2") << "fram_HowLong" << QRect(8, 24, 329, 49) << ""
                              << "" << 0.0;
    QTest::newRow("Command4") << "fram_Save" << QRect(376, 224, 89, 41) << "整体手动保存"
                              << "" << 0.0;
    QTest::newRow("chk1") << "fram_Save" << QRect(376, 144, 89, 49) << ""
                          << "" << 0.0;
    QTest::newRow("Command3") << "fram_Save" << QRect(376, 64, 89, 41) << "重设源存档level.dat路径"
                              << "" << 0.0;
}

void MainWindowTest::controls()
{
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(QString, family);
    QFETCH(qreal, points);

    auto* control = Main().findChild<QWidget*>(QTest::currentDataTag());
    QVERIFY(control != nullptr);
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(control->geometry(), geometry);
    const char* captionProperty = qobject_cast<QGroupBox*>(control) ? "title" : "text";
    QCOMPARE(control->property(captionProperty).toString(), caption);
    if (points == 0.0) {
        // Controls without a font of their own must not take on their frame's.
        QCOMPARE(control->font().family(), QApplication::font().family());
        QCOMPARE(control->font().pointSizeF(), QApplication::font().pointSizeF());
    } else {
        QCOMPARE(control->font().family(), family);
        QCOMPARE(control->font().pointSizeF(), points);
        QCOMPARE(control->font().weight(), QFont::Normal);
    }
}

void MainWindowTest::tabOrder()
{
    QCOMPARE(TabStops(Main().Command3),
             QStringList({"Command3", "chk1", "Command4", "Command2", "cmd2", "Command1",
                          "VScroll1", "HScroll2", "Opt1", "Opt2"}));
}

void MainWindowTest::chk1ShowsSwitchAndRunsCountdown()
{
    frm_timer& main = Main();
    QTest::mouseClick(main.chk1, Qt::LeftButton);
    QVERIFY(main.chk1->isChecked());
    QCOMPARE(ShownColour(main.chk1), QColor(0, 255, 0));
    QVERIFY(main.Timer2->isActive());

    QTest::mouseClick(main.chk1, Qt::LeftButton);
    QVERIFY(!main.chk1->isChecked());
    QCOMPARE(ShownColour(main.chk1), QColor(255, 0, 0));
    QVERIFY(!main.Timer2->isActive());
}

void MainWindowTest::intervalCaptionFollowsScrollBar_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("caption");
    QTest::newRow("shortest") << 1 << "保存间隔 1 分钟";
    QTest::newRow("longest") << 60 << "保存间隔 60 分钟";
}

void MainWindowTest::intervalCaptionFollowsScrollBar()
{
    QFETCH(int, minutes);
    QFETCH(QString, caption);
    Main().HScroll2->setValue(minutes);
    QCOMPARE(Main().fram_HowLong->title(), caption);
}

void MainWindowTest::intervalTrackClickMovesOneMinute()
{
    QScrollBar* bar = Main().HScroll2;
    QTest::mouseClick(bar, Qt::LeftButton, {}, TrackPointAfterSlider(bar));
    QCOMPARE(bar->value(), 6);
    QCOMPARE(Main().fram_HowLong->title(), QStringLiteral("保存间隔 6 分钟"));
}

void MainWindowTest::opacityFollowsScrollBar_data()
{
    QTest::addColumn<int>("alpha");
    QTest::newRow("invisible") << 0;
    QTest::newRow("half") << 120;
    QTest::newRow("opaque") << 255;
}

void MainWindowTest::opacityFollowsScrollBar()
{
    QFETCH(int, alpha);
    Main().VScroll1->setValue(alpha);
    QCOMPARE(Main().fram_1->title(), QStringLiteral("刷物，透明度： ") + QString::number(alpha));
    QCOMPARE(m_program->floating.windowOpacity(), alpha / 255.0);
}

void MainWindowTest::opacityTrackClickMovesOneStep()
{
    QScrollBar* bar = Main().VScroll1;
    QTest::mouseClick(bar, Qt::LeftButton, {}, TrackPointAfterSlider(bar));
    QCOMPARE(bar->value(), 201);
    QCOMPARE(Main().fram_1->title(), QStringLiteral("刷物，透明度： 201"));
    QCOMPARE(m_program->floating.windowOpacity(), 201 / 255.0);
}

void MainWindowTest::cmd2TogglesFloatingBorder()
{
    frmshow& floating = m_program->floating;
    const QPoint place = floating.pos();

    QTest::mouseClick(Main().cmd2, Qt::LeftButton);
    QCOMPARE(Main().cmd2->text(), QStringLiteral("固定"));
    QVERIFY(!floating.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(floating.isVisible());
    QVERIFY(floating.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(floating.pos(), place);

    QTest::mouseClick(Main().cmd2, Qt::LeftButton);
    QCOMPARE(Main().cmd2->text(), QStringLiteral("移动"));
    QVERIFY(floating.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(floating.isVisible());
    QCOMPARE(floating.pos(), place);
}

void MainWindowTest::labelColour_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("colour chosen") << true;
    QTest::newRow("dialog cancelled") << false;
}

void MainWindowTest::labelColour()
{
    QFETCH(bool, accept);
    QLabel* label = m_program->floating.lbl;
    const QColor before = label->palette().color(QPalette::WindowText);
    const QColor chosen(30, 144, 255);
    QVERIFY(before != chosen);
    if (accept) {
        ColorDialog::setNextColor(chosen);
    } else {
        ColorDialog::setNextCancelled();
    }
    QTest::mouseClick(Main().Command2, Qt::LeftButton);
    QCOMPARE(label->palette().color(QPalette::WindowText), accept ? chosen : before);
}

void MainWindowTest::chooseLevelDat_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("file chosen") << true;
    QTest::newRow("dialog cancelled") << false;
}

void MainWindowTest::chooseLevelDat()
{
    QFETCH(bool, accept);
    const QString prompt = QString::fromUtf8(saver::kPathPrompt);
    if (accept) {
        FileDialog::setNextFileName(m_folders->LevelDat());
    } else {
        FileDialog::setNextCancelled();
    }
    QTest::mouseClick(Main().Command3, Qt::LeftButton);

    const QString expected = accept ? m_folders->LevelDat() : prompt;
    QCOMPARE(Main().fram_Save->title(), expected);
    QCOMPARE(QFile::exists(m_folders->AppDir() + QStringLiteral("/saver.ini")), accept);
    // The next start of the program finds the same choice.
    m_program.reset();
    TestProgram restarted(m_folders->AppDir());
    QCOMPARE(restarted.Main().fram_Save->title(), expected);
}

void MainWindowTest::cancelKeepsEarlierChoice()
{
    const QString settings = m_folders->AppDir() + QStringLiteral("/saver.ini");
    FileDialog::setNextFileName(m_folders->LevelDat());
    QTest::mouseClick(Main().Command3, Qt::LeftButton);
    const QByteArray stored = ReadTestFile(settings);

    FileDialog::setNextCancelled();
    QTest::mouseClick(Main().Command3, Qt::LeftButton);

    QCOMPARE(Main().fram_Save->title(), m_folders->LevelDat());
    QCOMPARE(ReadTestFile(settings), stored);
}

void MainWindowTest::unwritableSettingsWarn()
{
    QVERIFY(QDir(m_folders->AppDir()).mkdir(QStringLiteral("saver.ini")));
    FileDialog::setNextFileName(m_folders->LevelDat());

    const MessageBoxAnswerer answerer;
    QTest::mouseClick(Main().Command3, Qt::LeftButton);

    QVERIFY(answerer.Shown());
    QCOMPARE(answerer.Icon(), QMessageBox::Warning);
    QVERIFY2(answerer.Text().startsWith(QStringLiteral("无法保存设置：")),
             qPrintable(answerer.Text()));
    QCOMPARE(Main().fram_Save->title(), QString::fromStdString(Main().ChosenPath()));
}

void MainWindowTest::command1CopiesCountdownToFloatingWindow()
{
    frm_timer& main = Main();
    QLabel* floatingLabel = m_program->floating.lbl;
    QTest::mouseClick(main.chk1, Qt::LeftButton);
    m_program->clock.Advance(1);
    main.Timer2_Timer();
    QCOMPARE(main.lblShow3->text(), QStringLiteral("04:59"));
    QVERIFY(!main.Timer1->isActive());
    QCOMPARE(floatingLabel->text(), QStringLiteral("10:00"));

    QTest::mouseClick(main.Command1, Qt::LeftButton);
    QVERIFY(main.Timer1->isActive());
    QCOMPARE(main.Timer1->interval(), 1000);
    QTRY_COMPARE(floatingLabel->text(), QStringLiteral("04:59"));

    m_program->clock.Advance(1);
    main.Timer2_Timer();
    QTRY_COMPARE(floatingLabel->text(), QStringLiteral("04:58"));
}

void MainWindowTest::backupKindFollowsOption_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("copyOfLevelDatIn");

    QTest::newRow("whole save") << "Opt1"
                                << "第1次 保存成功！"
                                << "【1】10_4_59";
    QTest::newRow("character") << "Opt2"
                               << "10:4:59保存成功！"
                               << "【存档】leveldat";
}

void MainWindowTest::backupKindFollowsOption()
{
    QFETCH(QString, option);
    QFETCH(QString, outcome);
    QFETCH(QString, copyOfLevelDatIn);

    frm_timer& main = Main();
    FileDialog::setNextFileName(m_folders->LevelDat());
    QTest::mouseClick(main.Command3, Qt::LeftButton);
    QTest::mouseClick(main.findChild<QRadioButton*>(option), Qt::LeftButton);
    QTest::mouseClick(main.chk1, Qt::LeftButton);

    m_program->clock.Advance(4 * 60 + 59);
    main.Timer2_Timer();

    QTRY_COMPARE(main.lblShow2->text(), outcome);
    QCOMPARE(main.lblShow1->text(), QStringLiteral("10:4:59"));
    const QStringList copies = FindFiles(m_folders->AppDir() + QLatin1Char('/') + copyOfLevelDatIn,
                                         QStringLiteral("*level.dat"));
    QCOMPARE(copies.size(), 1);
    QCOMPARE(ReadTestFile(copies.constFirst()), QByteArray("level data, first version"));
}

void MainWindowTest::saveFrameTellsWhereBackupsGo()
{
    frm_timer& main = Main();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    // Over an empty part of the frame, which has no tip of its own to show instead.
    QTest::mouseMove(main.fram_Save, QPoint(main.fram_Save->width() - 20, 20));
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("备份保存在：") + m_folders->AppDir());
}

void MainWindowTest::menuOpensBackupFolder_data()
{
    QTest::addColumn<bool>("desktopOpensIt");
    QTest::newRow("opened") << true;
    QTest::newRow("nothing opens folders") << false;
}

void MainWindowTest::menuOpensBackupFolder()
{
    QFETCH(bool, desktopOpensIt);
    QList<QUrl> opened;
    FolderOpener::setOpenerForTests([&](const QUrl& address) {
        opened.append(address);
        return desktopOpensIt;
    });
    frm_timer& main = Main();

    // Through the window, as the platform delivers it: only then does a right click become
    // a request for a context menu.
    const QPoint onSaveFrame =
        main.fram_Save->mapTo(&main, QPoint(main.fram_Save->width() - 20, 20));
    QTest::mouseClick(main.windowHandle(), Qt::RightButton, {}, onSaveFrame);
    QTRY_VERIFY(main.mnuFolder->isVisible());
    QVERIFY(main.mnuFolder->actions().contains(main.mnuOpenFolder));
    QCOMPARE(main.mnuOpenFolder->text(), QStringLiteral("打开备份文件夹"));

    const MessageBoxAnswerer answerer;
    QTest::mouseClick(main.mnuFolder, Qt::LeftButton, {},
                      main.mnuFolder->actionGeometry(main.mnuOpenFolder).center());
    QTRY_COMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(m_folders->AppDir())}));
    QTRY_VERIFY(!main.mnuFolder->isVisible());
    if (desktopOpensIt) {
        QVERIFY(!answerer.Shown());
    } else {
        QTRY_VERIFY(answerer.Shown());
        QCOMPARE(answerer.Icon(), QMessageBox::Warning);
        QCOMPARE(answerer.Text(), QStringLiteral("无法打开备份文件夹：") + m_folders->AppDir());
    }
}

QTEST_MAIN(MainWindowTest)
#include "tst_frm_timer.moc"
