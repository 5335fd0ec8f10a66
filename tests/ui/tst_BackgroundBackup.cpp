#include "BackgroundBackup.h"
#include "ClickableLabel.h"
#include "ColourButton.h"
#include "FileDialog.h"
#include "GatedFileServices.h"
#include "ScreenProbes.h"
#include "TestFolders.h"
#include "frm_timer.h"
#include "frmshow.h"

#include "SettableClock.h"
#include "SystemServices.h"
#include "WholeSaveJob.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <memory>

// A whole-save copy runs beside the windows: they stay live while it runs, see its progress
// and its end, and closing the program stops it.
class BackgroundCopyTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowsStayLiveDuringCopy();
    void closingDuringCopyStopsIt();
    void progressReachesWindowAtBoundedRate();

private:
    void StartCopy();
    frm_timer& Main() { return m_floating->MainWindow(); }

    std::unique_ptr<TestFolders> m_folders;
    std::unique_ptr<saver::SystemServices> m_real;
    std::unique_ptr<GatedFileServices> m_gated;
    saver::test::SettableClock m_clock;
    std::unique_ptr<frmshow> m_floating;
};

void BackgroundCopyTest::init()
{
    m_folders = std::make_unique<TestFolders>();
    m_real = std::make_unique<saver::SystemServices>(m_folders->AppDir().toStdString());
    m_gated = std::make_unique<GatedFileServices>(*m_real, 1);
    m_clock.Set(10, 0, 0);
    m_floating = std::make_unique<frmshow>(*m_gated, m_clock);
    m_floating->show();
    QTest::mouseClick(m_floating->lbl, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(&Main()));
}

void BackgroundCopyTest::cleanup()
{
    if (m_gated) {
        m_gated->OpenGate();
    }
    m_floating.reset();
    m_gated.reset();
    m_real.reset();
    m_folders.reset();
}

void BackgroundCopyTest::StartCopy()
{
    FileDialog::setNextFileName(m_folders->LevelDat());
    QTest::mouseClick(Main().Command3, Qt::LeftButton);
    QTest::mouseClick(Main().chk1, Qt::LeftButton);
    QTest::mouseClick(Main().Command4, Qt::LeftButton);
    QTRY_VERIFY(m_gated->CopyStarted());
}

void BackgroundCopyTest::windowsStayLiveDuringCopy()
{
    StartCopy();
    frm_timer& main = Main();
    QTRY_COMPARE(main.lblShow2->text(), QStringLiteral("正在保存… 50%"));

    for (const char* countdown : {"04:59", "04:58"}) {
        m_clock.Advance(1);
        main.Timer2_Timer();
        QCOMPARE(main.lblShow3->text(), QString::fromUtf8(countdown));
    }
    QTest::mouseClick(m_floating->cmdSave, Qt::LeftButton);
    QCOMPARE(ShownColour(m_floating->cmdSave), QColor(255, 0, 0));
    QTest::mouseClick(main.Command4, Qt::LeftButton);
    QCOMPARE(main.lblShow2->text(), QStringLiteral("上一次整体保存尚未完成"));

    m_gated->OpenGate();

    QTRY_COMPARE(main.lblShow2->text(), QStringLiteral("第1次 保存成功！"));
    QCOMPARE(main.lblShow1->text(), QStringLiteral("10:0:0"));
    QCOMPARE(m_gated->CopiesStarted(), 1);
    const QStringList copies = FindFiles(m_folders->AppDir(), QStringLiteral("r.0.0.mca"));
    QCOMPARE(copies.size(), 1);
    QCOMPARE(ReadTestFile(copies.constFirst()),
             ReadTestFile(m_folders->SaveFolder() + QStringLiteral("/region/r.0.0.mca")));
}

void BackgroundCopyTest::closingDuringCopyStopsIt()
{
    StartCopy();
    QSignalSpy ended(m_floating.get(), &frmshow::Unloaded);

    QVERIFY(Main().close());

    QCOMPARE(ended.count(), 1);
    QVERIFY(!m_floating->isVisible());
    QVERIFY(!QDir(QString::fromStdString(saver::PartialBackupFolder(*m_real))).exists());
    QVERIFY(FindFiles(m_folders->AppDir(), QStringLiteral("*.mca")).isEmpty());
}

void BackgroundCopyTest::progressReachesWindowAtBoundedRate()
{
    constexpr std::uint64_t reports = 100000;
    GatedFileServices flooding(*m_real, reports);
    auto job = std::make_shared<saver::WholeSaveJob>(
        flooding, m_folders->SaveFolder().toStdString(), 1, saver::ClockFields{10, 0, 0});
    BackgroundBackup backup;
    QStringList texts;
    connect(&backup, &BackgroundBackup::Progressed, this,
            [&texts](const QString& text) { texts << text; });
    bool finishedOnWindowThread = false;
    std::error_code error = std::make_error_code(std::errc::interrupted);
    connect(&backup, &BackgroundBackup::Finished, this,
            [&](const std::shared_ptr<saver::WholeSaveJob>& finished,
                const saver::WholeSaveResult& result) {
                finishedOnWindowThread = QThread::currentThread() == thread() && finished == job;
                error = result.error;
            });

    backup.Start(job);
    QTRY_VERIFY(flooding.CopyStarted());
    QTRY_COMPARE(texts.isEmpty() ? QString() : texts.constLast(), QStringLiteral("正在保存… 50%"));
    flooding.OpenGate();

    QTRY_VERIFY(finishedOnWindowThread);
    QVERIFY2(!error, error.message().c_str());
    // Each percent at most once for the gate's half and once for the real copy.
    QVERIFY2(texts.size() <= 2 * 101, qPrintable(QString::number(texts.size())));
    QVERIFY(texts.size() >= 2);
}

QTEST_MAIN(BackgroundCopyTest)
#include "tst_BackgroundBackup.moc"
