// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupListWindow.h"
#include "BackupOptions.h"
#include "TestProgram.h"
#include "UserPrompt.h"
#include "WindowDescription.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <filesystem>
#include <memory>

namespace {

using saver::test::NativePath;
using saver::test::ReadFile;
using saver::test::WriteFile;
namespace fs = std::filesystem;

// The program of TestProgram with the backups an earlier run left in its folder, and the
// backup list open.
struct ListProgram : TestProgram
{
    explicit ListProgram(const std::string& options = {}) : TestProgram(options)
    {
        files.OpenGate();
        fs::create_directories(NativePath(App("【1】9_5_7/world")));
        fs::create_directories(NativePath(App("【存档】leveldat")));
        WriteFile(App("【1】9_5_7/world/level.dat"), "level data, whole backup");
        WriteFile(App("【存档】leveldat/09_05_07level.dat"), "level data, character backup");
        WriteFile(App("tmp.back"), "level data, quick slot");
        for (const char* name : {"【1】9_5_7", "【存档】leveldat/09_05_07level.dat", "tmp.back"})
            real.SetModified(App(name), 1'796'000'000'000'000'000 +
                                            std::ssize(std::string_view(name)) * 60'000'000'000);
        Main().mnuFolder->mnuBackupList->trigger();
    }
    std::string App(const std::string& name) const { return app + "/" + name; }
    BackupListWindow& List() { return *Main().findChild<BackupListWindow*>(); }
    // Selects the first row of `kind` with a click, once the list shows one, and presses
    // `button`.
    void Press(const QString& kind, QPushButton* button)
    {
        QTreeWidget* rows = List().lstBackups;
        QTRY_VERIFY(!rows->findItems(kind, Qt::MatchExactly, 1).isEmpty());
        const QRect row = rows->visualItemRect(rows->findItems(kind, Qt::MatchExactly, 1).at(0));
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QTreeWidgetItem* RowOf(const QString& kind)
    {
        return List().lstBackups->findItems(kind, Qt::MatchExactly, 1).value(0);
    }
};

// Puts `note` into the dialog that 备注 opens on the row of `kind`, and presses OK.
void TypeNote(ListProgram& p, const QString& kind, const QString& note)
{
    QTimer poll;
    poll.callOnTimeout([&note] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (QPlainTextEdit* text = dialog ? dialog->findChild<QPlainTextEdit*>() : nullptr) {
            text->selectAll();
            text->insertPlainText(note); // QTest types ASCII alone
            QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        }
    });
    poll.start(10);
    p.Press(kind, p.List().cmdNote);
}

} // namespace

// The backup list as the player uses it: restore, undo the restore, delete.
class BackupListWindowTest final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dataHome;
    QStringList m_asked;

private slots:
    void initTestCase()
    {
        // The desktop's trash is then a temporary folder.
        qputenv("XDG_DATA_HOME", m_dataHome.path().toLocal8Bit());
        UserPrompt::setAnswererForTests([this](const QString& text) {
            m_asked << text;
            return true;
        });
    }

    void listsEarlierBackupsAndFollowsTheFolder()
    {
        ListProgram p;
        QTreeWidget* rows = p.List().lstBackups;
        QTRY_COMPARE(rows->topLevelItemCount(), 3);
        VerifyAsRecorded(Described(&p.List(), QString::fromStdString(p.root.path())),
                         QStringLiteral(TEST_SOURCE_DIR "/backup-list.txt"));
        p.List().cboKind->setCurrentText(QStringLiteral("人物存档"));
        QCOMPARE(rows->topLevelItemCount(), 1);
        WriteFile(p.App("【存档】leveldat/09_05_08level.dat"), "a newer character backup");
        QTRY_COMPARE(rows->topLevelItemCount(), 2);
        // A pin mark inside a backup folder is no change to the folders watched.
        p.List().cboKind->setCurrentText(QStringLiteral("整体存档"));
        p.Press(QStringLiteral("整体存档"), p.List().cmdPin);
        QTRY_COMPARE(rows->topLevelItem(0)->text(4), QStringLiteral("★ 固定"));
        QCOMPARE(p.List().cmdPin->text(), QStringLiteral("取消固定"));
    }

    // Halfway through a restore the bar shows how far and no second one starts; a backup made
    // meanwhile prunes around the backup being restored, which still gives every file. The
    // restore is then undone.
    void restoresWholeSaveAndUndoesIt()
    {
        ListProgram p(saver::OptionsFile::Format({.keepNewest = 1, .pruneManual = true}));
        m_asked.clear();
        p.files.CloseGate(".mcsaver-restore.partial");
        p.Press(QStringLiteral("整体存档"), p.List().cmdRestore);
        QTRY_COMPARE(p.List().barRestore->value(), 50);
        QVERIFY(p.List().barRestore->isVisible() && !p.List().cmdRestore->isEnabled());
        for (const char* made :
             {"第1次 保存成功！（新增 31 B）", "第2次 保存成功！（新增 31 B）"}) {
            p.clock.Advance(1);
            QTest::mouseClick(p.Main().Command4, Qt::LeftButton);
            QTRY_COMPARE(p.Main().lblShow2->text(), QString::fromUtf8(made));
        }
        QVERIFY(fs::exists(saver::test::NativePath(p.App("【2】10_0_2"))) &&
                !fs::exists(saver::test::NativePath(p.App("【1】10_0_1"))));
        p.files.OpenGate();
        QTRY_VERIFY(p.List().lblOutcome->text().startsWith(QStringLiteral("已恢复存档 world")));
        QVERIFY(m_asked.first().contains(
                    QDir::toNativeSeparators(QString::fromStdString(p.root.path() + "/world\n"))) &&
                m_asked.first().contains(QStringLiteral("【恢复前】")));
        QCOMPARE(ReadFile(p.levelDat), "level data, whole backup");
        QCOMPARE(ReadFile(p.App("【1】9_5_7/world/level.dat")), "level data, whole backup");

        p.Press(QStringLiteral("恢复前的存档"), p.List().cmdRestore);
        QTRY_VERIFY(p.List().lblOutcome->text().contains(QStringLiteral("（来自 【恢复前】")));
        QCOMPARE(ReadFile(p.levelDat), "level data, first version");
        QCOMPARE(ReadFile(p.root.path() + "/world/region/r.0.0.mca"), "region");
    }

    void restoresCharacterBackupOverLevelDat()
    {
        ListProgram p;
        QSignalSpy finished(&p.session, &BackupSession::RestoreFinished);
        p.Press(QStringLiteral("人物存档"), p.List().cmdRestore);
        QTRY_VERIFY(!p.List().lblOutcome->text().isEmpty());
        QCOMPARE(finished.first().first().toBool(), false); // not failed
        QCOMPARE(ReadFile(p.levelDat), "level data, character backup");
        QCOMPARE(ReadFile(p.App("【刷物】leveldat/10_00_00level.dat")),
                 "level data, first version");
        // Kept for good, and the player is told where the old level.dat went.
        QVERIFY(fs::exists(NativePath(p.App("【存档】leveldat/09_05_07level.dat.pinned"))));
        QCOMPARE(m_asked.last(),
                 QStringLiteral("已用 09_05_07level.dat 覆盖 %1。原来的 level.dat 已保存为 %2")
                     .arg(QDir::toNativeSeparators(QString::fromStdString(p.levelDat)),
                          QDir::toNativeSeparators(QString::fromStdString(
                              p.App("【刷物】leveldat/10_00_00level.dat")))));
        QCOMPARE(p.List().lblOutcome->text(), m_asked.last());
        QTRY_COMPARE(
            p.List().lstBackups->findItems("覆盖前的level.dat", Qt::MatchExactly, 1).size(), 1);
    }

    // A note typed on a backup shows in its row, stays when it is pinned, picks the rows of
    // the filter, and goes with its backup.
    void notesAreShownFilteredAndGoWithTheirBackup()
    {
        ListProgram p;
        const QString kind = QStringLiteral("人物存档"),
                      shown = QStringLiteral("下界 Fortress 120");
        TypeNote(p, kind, QStringLiteral("下界 Fortress\n120"));
        QTRY_COMPARE(p.RowOf(kind)->text(5), shown);
        QCOMPARE(p.RowOf(kind)->toolTip(5), QStringLiteral("下界 Fortress\n120"));
        p.Press(kind, p.List().cmdPin);
        QTRY_COMPARE(p.RowOf(kind)->text(4), QStringLiteral("★ 固定"));
        QCOMPARE(p.RowOf(kind)->text(5), shown);
        QTest::keyClicks(p.List().txtFilter, QStringLiteral("fortRESS"));
        QCOMPARE(p.List().lstBackups->topLevelItemCount(), 1);
        p.Press(kind, p.List().cmdDelete);
        QTRY_COMPARE(p.List().lstBackups->topLevelItemCount(), 0);
        const std::string file = p.App("【存档】leveldat/09_05_07level.dat");
        QVERIFY(!fs::exists(NativePath(file + ".note")) &&
                !fs::exists(NativePath(file + ".pinned")));
    }

    void deleteMovesToTheTrash()
    {
        ListProgram p;
        p.Press(QStringLiteral("快速存档"), p.List().cmdDelete);
        QVERIFY(!fs::exists(NativePath(p.App("tmp.back"))));
#ifdef Q_OS_WIN // Wine has no Recycle Bin: the player is asked, and it goes for good.
        QCOMPARE(p.List().lblOutcome->text(), QStringLiteral("已永久删除：tmp.back"));
#else
        QCOMPARE(p.List().lblOutcome->text(), QStringLiteral("已移到回收站：tmp.back"));
        QCOMPARE(ReadFile(m_dataHome.path().toStdString() + "/Trash/files/tmp.back"),
                 "level data, quick slot");
#endif
        QTRY_COMPARE(p.List().lstBackups->topLevelItemCount(), 2);
    }
};

QTEST_MAIN(BackupListWindowTest)
#include "tst_BackupListWindow.moc"
