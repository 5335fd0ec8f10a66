#include "ClickableLabel.h"
#include "ColourButton.h"
#include "ScreenProbes.h"
#include "TestFolders.h"
#include "TestProgram.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

// The floating window: what it shows at start, the label that brings up the main window, the
// quick save and restore buttons, and closing.
class FloatingWindowTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startState();
    void controls_data();
    void controls();
    void labelClickShowsAndHidesMainWindowKeepingItsState();
    void quickButtonsMakeTheMainWindowHidden_data();
    void quickButtonsMakeTheMainWindowHidden();
    void restoreWithoutSlotSaysSo();
    void saveWithoutChosenPathWarns();
    void quickButtonColoursStep_data();
    void quickButtonColoursStep();
    void restoreBringsBackTheSavedLevel();
    void closingOneWindowClosesBoth_data();
    void closingOneWindowClosesBoth();

private:
    ColourButton* Button(const QString& name) const;

    std::unique_ptr<TestFolders> m_folders;
    std::unique_ptr<TestProgram> m_program;
};

void FloatingWindowTest::init()
{
    m_folders = std::make_unique<TestFolders>();
    m_program = std::make_unique<TestProgram>(m_folders->AppDir());
    m_program->floating.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_program->floating));
}

void FloatingWindowTest::cleanup()
{
    m_program.reset();
    m_folders.reset();
}

ColourButton* FloatingWindowTest::Button(const QString& name) const
{
    return m_program->floating.findChild<ColourButton*>(name);
}

void FloatingWindowTest::startState()
{
    frmshow& floating = m_program->floating;
    QVERIFY(floating.windowTitle().isEmpty());
    QVERIFY(floating.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(floating.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QCOMPARE(floating.size(), QSize(129, 175));
    QCOMPARE(floating.minimumSize(), floating.maximumSize());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint offCentre = floating.geometry().center() - screen.center();
    QVERIFY(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1);
    QCOMPARE(floating.windowOpacity(), 200 / 255.0);
    QCOMPARE(floating.lbl->alignment(), Qt::AlignCenter);
    QCOMPARE(TabStops(floating.cmdSave), QStringList({"cmdSave", "cmdPaste"}));
    QCOMPARE(MainWindowIfMade(), nullptr);
    for (ColourButton* button : {floating.cmdSave, floating.cmdPaste}) {
        const QColor shown = ShownColour(button);
        QVERIFY2(shown != QColor(Qt::red) && shown != QColor(Qt::yellow), qPrintable(shown.name()));
    }
}

void FloatingWindowTest::controls_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<qreal>("points");

    QTest::newRow("lbl") << QRect(0, 0, 124, 62) << "10:00" << 36.0;
    QTest::newRow("cmdSave") << QRect(16, 64, 97, 49) << "保存" << 15.75;
    QTest::newRow("cmdPaste") << QRect(16, 120, 97, 49) << "覆盖" << 15.75;
}

void FloatingWindowTest::controls()
{
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(qreal, points);

    auto* control = m_program->floating.findChild<QWidget*>(QTest::currentDataTag());
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->property("text").toString(), caption);
    QCOMPARE(control->font().family(), QStringLiteral("微软雅黑"));
    QCOMPARE(control->font().pointSizeF(), points);
    QCOMPARE(control->font().weight(), QFont::Normal);
}

void FloatingWindowTest::labelClickShowsAndHidesMainWindowKeepingItsState()
{
    frmshow& floating = m_program->floating;
    QTest::mouseClick(floating.lbl, Qt::LeftButton);
    frm_timer* main = MainWindowIfMade();
    QVERIFY(main != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(main));
    // Making the main window puts the floating one above all others.
    QVERIFY(floating.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(floating.isVisible());

    main->HScroll2->setValue(12);
    QTest::mouseClick(floating.lbl, Qt::LeftButton);
    QVERIFY(!main->isVisible());
    QTest::mouseClick(floating.lbl, Qt::LeftButton);
    QVERIFY(main->isVisible());
    QCOMPARE(MainWindowIfMade(), main);
    QCOMPARE(main->fram_HowLong->title(), QStringLiteral("保存间隔 12 分钟"));
}

void FloatingWindowTest::quickButtonsMakeTheMainWindowHidden_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("save") << "cmdSave";
    QTest::newRow("restore") << "cmdPaste";
}

void FloatingWindowTest::quickButtonsMakeTheMainWindowHidden()
{
    QFETCH(QString, button);
    const MessageBoxAnswerer answerer;
    QTest::mouseClick(Button(button), Qt::LeftButton);
    QVERIFY(answerer.Shown()); // no level.dat chosen, no slot saved
    frm_timer* main = MainWindowIfMade();
    QVERIFY(main != nullptr);
    QVERIFY(!main->isVisible());
    QVERIFY(m_program->floating.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!main->Timer1->isActive());
}

void FloatingWindowTest::restoreWithoutSlotSaysSo()
{
    m_program->ChooseLevelDat(m_folders->LevelDat());
    const QColor before = ShownColour(m_program->floating.cmdPaste);

    const MessageBoxAnswerer answerer;
    QTest::mouseClick(m_program->floating.cmdPaste, Qt::LeftButton);

    QVERIFY(answerer.Shown());
    QCOMPARE(answerer.Text(), QStringLiteral("程序目录没有发现备份文件！"));
    QCOMPARE(answerer.Title(), QStringLiteral("tmp.back不存在"));
    QCOMPARE(answerer.ButtonCount(), 1);
    QCOMPARE(ShownColour(m_program->floating.cmdPaste), before);
    QCOMPARE(ReadTestFile(m_folders->LevelDat()), QByteArray("level data, first version"));
}

void FloatingWindowTest::saveWithoutChosenPathWarns()
{
    const QColor before = ShownColour(m_program->floating.cmdSave);

    const MessageBoxAnswerer answerer;
    QTest::mouseClick(m_program->floating.cmdSave, Qt::LeftButton);

    QVERIFY(answerer.Shown());
    QCOMPARE(answerer.Icon(), QMessageBox::Warning);
    QCOMPARE(answerer.ButtonCount(), 1);
    QVERIFY(!answerer.Text().isEmpty());
    QCOMPARE(ShownColour(m_program->floating.cmdSave), before);
}

void FloatingWindowTest::quickButtonColoursStep_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QColor>("shown");

    for (const char* button : {"cmdSave", "cmdPaste"}) {
        QTest::addRow("%s once", button) << button << 1 << QColor(255, 0, 0);
        QTest::addRow("%s twice", button) << button << 2 << QColor(255, 255, 0);
        QTest::addRow("%s three times", button) << button << 3 << QColor(0, 255, 0);
        QTest::addRow("%s four times", button) << button << 4 << QColor(255, 0, 0);
    }
}

void FloatingWindowTest::quickButtonColoursStep()
{
    QFETCH(QString, button);
    QFETCH(int, clicks);
    QFETCH(QColor, shown);

    m_program->ChooseLevelDat(m_folders->LevelDat());
    if (button == QLatin1String("cmdPaste")) {
        m_program->floating.cmdSave->click(); // a slot to restore from
    }
    ColourButton* pressed = Button(button);
    for (int click = 0; click < clicks; ++click) {
        QTest::mouseClick(pressed, Qt::LeftButton);
    }
    QCOMPARE(ShownColour(pressed), shown);
}

void FloatingWindowTest::restoreBringsBackTheSavedLevel()
{
    m_program->ChooseLevelDat(m_folders->LevelDat());
    QTest::mouseClick(m_program->floating.cmdSave, Qt::LeftButton);
    WriteTestFile(m_folders->LevelDat(), "level data, spoilt by the game");

    QTest::mouseClick(m_program->floating.cmdPaste, Qt::LeftButton);

    QCOMPARE(ReadTestFile(m_folders->LevelDat()), QByteArray("level data, first version"));
    QCOMPARE(ShownColour(m_program->floating.cmdPaste), QColor(255, 0, 0));
}

void FloatingWindowTest::closingOneWindowClosesBoth_data()
{
    QTest::addColumn<bool>("mainMade");
    QTest::addColumn<bool>("closeMain");

    QTest::newRow("floating closed, main window shown") << true << false;
    QTest::newRow("main window closed") << true << true;
    QTest::newRow("floating closed, no main window yet") << false << false;
}

void FloatingWindowTest::closingOneWindowClosesBoth()
{
    QFETCH(bool, mainMade);
    QFETCH(bool, closeMain);

    frmshow& floating = m_program->floating;
    if (mainMade) {
        QTest::mouseClick(floating.lbl, Qt::LeftButton);
    }
    QSignalSpy ended(&floating, &frmshow::Unloaded);

    QVERIFY(closeMain ? m_program->Main().close() : floating.close());

    QVERIFY(!floating.isVisible());
    if (mainMade) {
        QVERIFY(!MainWindowIfMade()->isVisible());
    } else {
        QCOMPARE(MainWindowIfMade(), nullptr);
    }
    QCOMPARE(ended.count(), 1);
}

QTEST_MAIN(FloatingWindowTest)
#include "tst_frmshow.moc"
