// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupComparisonWindow.h"
#include "BackupListWindow.h"
#include "BackupOptions.h"
#include "FolderTrees.h"
#include "PartialRestoreDialog.h"
#include "TestProgram.h"
#include "UserPrompt.h"
#include "WindowDescription.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>

#include <filesystem>

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
        saver::test::WriteTree(
            app, {{"【1】9_5_7/world/level.dat", "level data, whole backup"},
                  {"【存档】leveldat/09_05_07level.dat", "level data, character backup"},
                  {"tmp.back", "level data, quick slot"}});
        for (const char* name : {"【1】9_5_7", "【存档】leveldat/09_05_07level.dat", "tmp.back"})
            real.SetModified(App(name), 1'796'000'000'000'000'000 +
                                            std::ssize(std::string_view(name)) * 60'000'000'000);
        main.mnuFolder->mnuBackupList->trigger();
    }
    std::string App(const std::string& name) const { return app + "/" + name; }
    BackupListWindow& List() { return *main.findChild<BackupListWindow*>(); }
    void Press(const QString& kind, QPushButton* button)
    {
        QTRY_VERIFY(RowOf(kind) != nullptr);
        const QRect row = List().lstBackups->visualItemRect(RowOf(kind));
        QTest::mouseClick(List().lstBackups->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QTreeWidgetItem* RowOf(const QString& kind)
    {
        return List().lstBackups->findItems(kind, Qt::MatchExactly, 1).value(0);
    }
};

// Clicks the check box of `item`, where the view's style draws it.
void ClickCheckBox(QTreeWidget* tree, QTreeWidgetItem* item)
{
    QStyleOptionViewItem option;
    option.initFrom(tree->viewport());
    option.rect = tree->visualItemRect(item);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = item->text(0);
    const QRect box =
        tree->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, tree);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, box.center());
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
        p.List().cboKind->setCurrentText("人物存档");
        QCOMPARE(rows->topLevelItemCount(), 1);
        WriteFile(p.App("【存档】leveldat/09_05_08level.dat"), "a newer character backup");
        QTRY_COMPARE(rows->topLevelItemCount(), 2);
        // A pin mark inside a backup folder is no change to the folders watched.
        p.List().cboKind->setCurrentText("整体存档");
        p.Press("整体存档", p.List().cmdPin);
        QTRY_COMPARE(rows->topLevelItem(0)->text(4), "★ 固定");
        QCOMPARE(p.List().cmdPin->text(), "取消固定");
        // Emptied meanwhile, the backup is not restored, and the player is told why.
        fs::remove_all(NativePath(p.App("【1】9_5_7/world")));
        p.Press("整体存档", p.List().cmdRestore);
        QCOMPARE(p.List().lblOutcome->text(), "无法恢复：备份里没有存档文件夹");
    }

    // Halfway through a restore the bar shows how far and no second one starts; a backup made
    // meanwhile prunes around the backup being restored, which still gives every file. The
    // restore is then undone.
    void restoresWholeSaveAndUndoesIt()
    {
        ListProgram p(saver::OptionsFile::Format({.keepNewest = 1, .pruneManual = true}));
        m_asked.clear();
        p.files.CloseGate(".mcsaver-restore.partial");
        p.Press("整体存档", p.List().cmdRestore);
        QTRY_COMPARE(p.List().barRestore->value(), 50);
        QVERIFY(p.List().barRestore->isVisible() && !p.List().cmdRestore->isEnabled());
        for (auto made : {"第1次 保存成功！（新增 31 B）", "第2次 保存成功！（新增 31 B）"}) {
            p.clock.Advance(1);
            QTest::mouseClick(p.main.Command4, Qt::LeftButton);
            QTRY_COMPARE(p.main.lblShow2->text(), QString::fromUtf8(made));
        }
        QVERIFY(fs::exists(NativePath(p.App("【2】10_0_2"))) &&
                !fs::exists(NativePath(p.App("【1】10_0_1"))));
        p.files.OpenGate();
        QTRY_VERIFY(p.List().lblOutcome->text().startsWith("已恢复存档 world"));
        QVERIFY(m_asked.first().contains(
                    QDir::toNativeSeparators(QString::fromStdString(p.root.path() + "/world\n"))) &&
                m_asked.first().contains("【恢复前】"));
        QCOMPARE(ReadFile(p.levelDat), "level data, whole backup");
        QCOMPARE(ReadFile(p.App("【1】9_5_7/world/level.dat")), "level data, whole backup");

        // With the game in the world, the player is asked first.
        p.files.gameHoldsLock = true;
        m_asked.clear();
        p.Press("恢复前的存档", p.List().cmdRestore);
        QTRY_VERIFY(p.List().lblOutcome->text().contains("（来自 【恢复前】"));
        QVERIFY(m_asked.size() == 3 && m_asked.first().startsWith("游戏正在使用这个存档"));
        QTRY_VERIFY(p.List().lblSave->text().endsWith("（存档使用中）"));
        QCOMPARE(ReadFile(p.levelDat), kLevel);
        QCOMPARE(ReadFile(p.root.path() + "/world/region/r.0.0.mca"), "region");
    }

    // Restored over level.dat, a character backup is kept for good, and the player is told
    // where the old level.dat went. A note typed on it shows in its row beside the pin, picks
    // the rows of the filter, and goes with its backup.
    void characterBackupIsRestoredNotedAndDeleted()
    {
        ListProgram p;
        const QString kind = "人物存档";
        QSignalSpy finished(&p.session, &BackupSession::RestoreFinished);
        p.Press(kind, p.List().cmdRestore);
        QTRY_VERIFY(!p.List().lblOutcome->text().isEmpty());
        QCOMPARE(finished.first().first().toBool(), false); // not failed
        QCOMPARE(ReadFile(p.levelDat), "level data, character backup");
        const std::string before = p.App("【刷物】leveldat/10_00_00level.dat");
        QCOMPARE(ReadFile(before), kLevel);
        const std::string file = p.App("【存档】leveldat/09_05_07level.dat");
        QVERIFY(fs::exists(NativePath(file + ".pinned")));
        QCOMPARE(m_asked.last(),
                 QString("已用 09_05_07level.dat 覆盖 %1。原来的 level.dat 已保存为 %2")
                     .arg(QDir::toNativeSeparators(QString::fromStdString(p.levelDat)),
                          QDir::toNativeSeparators(QString::fromStdString(before))));
        QCOMPARE(p.List().lblOutcome->text(), m_asked.last());
        QTRY_VERIFY(p.RowOf("覆盖前的level.dat") != nullptr);

        WhenModal<QInputDialog>([](QInputDialog& dialog) {
            // QTest types ASCII alone.
            dialog.findChild<QPlainTextEdit*>()->insertPlainText("下界 Fortress\n120");
            QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        });
        p.Press(kind, p.List().cmdNote);
        QTRY_COMPARE(p.RowOf(kind)->text(6), "下界 Fortress 120");
        QCOMPARE(p.RowOf(kind)->toolTip(6), "下界 Fortress\n120");
        QCOMPARE(p.RowOf(kind)->text(4), "★ 固定");
        QTest::keyClicks(p.List().txtFilter, "fortRESS");
        QCOMPARE(p.List().lstBackups->topLevelItemCount(), 1);
        p.Press(kind, p.List().cmdDelete);
        for (const char* left : {"", ".pinned", ".note"})
            QVERIFY(!fs::exists(NativePath(file + left)));
#ifdef Q_OS_WIN // Wine has no Recycle Bin: the player is asked, and it goes for good.
        QCOMPARE(p.List().lblOutcome->text(), "已永久删除：09_05_07level.dat");
#else
        QCOMPARE(p.List().lblOutcome->text(), "已移到回收站：09_05_07level.dat");
        QCOMPARE(ReadFile(m_dataHome.path().toStdString() + "/Trash/files/09_05_07level.dat"),
                 "level data, character backup");
#endif
        QTRY_COMPARE(p.List().lstBackups->topLevelItemCount(), 0);
    }

    // Two files ticked in the tree of the backup, one of them in a folder opened for it: just
    // those two come back, and the ones they replaced wait in 【恢复前】.
    void restoresTwoChosenFiles()
    {
        ListProgram p;
        saver::test::WriteTree(p.App("【1】9_5_7/world"),
                               {{"region/r.0.0.mca", "region, backup"},
                                {"region/r.1.0.mca", "another region, backup"}});
        WriteFile(p.save + "/region/r.1.0.mca", "another region");
        m_asked.clear();
        WhenModal<PartialRestoreDialog>([](PartialRestoreDialog& dialog) {
            QTreeWidget* tree = dialog.lstFiles;
            QVERIFY(!dialog.cmdOK->isEnabled());
            ClickCheckBox(tree, tree->findItems("level.dat", Qt::MatchExactly)[0]);
            QTreeWidgetItem* region = tree->findItems("region", Qt::MatchExactly)[0];
            // The arrow before the folder's name opens it.
            const QRect row = tree->visualItemRect(region);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              {row.left() - tree->indentation() / 2, row.center().y()});
            QVERIFY(region->isExpanded());
            ClickCheckBox(tree, region->child(0));
            QCOMPARE(region->checkState(0), Qt::PartiallyChecked);
            QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        });
        p.Press("整体存档", p.List().cmdPartialRestore);
        QTRY_COMPARE(m_asked.size(), 2); // the question, then the outcome
        QVERIFY(
            m_asked.first().contains("level.dat\n" + QDir::toNativeSeparators("region/r.0.0.mca")));
        QCOMPARE(ReadFile(p.levelDat), "level data, whole backup");
        QCOMPARE(ReadFile(p.save + "/region/r.0.0.mca"), "region, backup");
        QCOMPARE(ReadFile(p.save + "/region/r.1.0.mca"), "another region");
        const QStringList kept =
            QDir(QString::fromStdString(p.app)).entryList({"【恢复前】*"}, QDir::Dirs);
        QCOMPARE(kept.size(), 1);
        const std::string keptSave = p.App(kept[0].toStdString() + "/world");
        QCOMPARE(ReadFile(keptSave + "/level.dat"), kLevel);
        QCOMPARE(ReadFile(keptSave + "/region/r.0.0.mca"), "region");
        QCOMPARE(p.List().lblOutcome->text(),
                 "已从 【1】9_5_7 恢复存档 world 的 2 个文件。被替换的文件已移到 " +
                     QDir::toNativeSeparators(QString::fromStdString(keptSave)));
    }

    // A whole-save backup made from the main window carries a manifest: a byte flipped inside
    // it is named by 校验, which marks the row; 比较 lists a file changed in the save since.
    void verifiesAndComparesAWholeSave()
    {
        ListProgram p;
        QTest::mouseClick(p.main.Command4, Qt::LeftButton);
        QTRY_COMPARE(p.List().lstBackups->topLevelItemCount(), 4);
        saver::test::FlipByte(p.App("【1】10_0_0/world/region/r.0.0.mca"));
        // A check under way can be cancelled, and no other starts meanwhile.
        p.files.HoldReadsOf("region/r.0.0.mca");
        p.Press("整体存档", p.List().cmdVerify);
        QVERIFY(p.List().cmdCancelVerify->isVisible() && !p.List().cmdVerifyAll->isEnabled());
        QTRY_VERIFY(p.List().barVerify->value() > 0 &&
                    p.List().barVerify->text().startsWith("校验 1/1 【1】10_0_0"));
        QTest::mouseClick(p.List().cmdCancelVerify, Qt::LeftButton);
        QTRY_VERIFY(!p.List().cmdCancelVerify->isVisible() && p.List().cmdVerifyAll->isEnabled());
        QCOMPARE(p.List().lstBackups->topLevelItem(0)->text(5), "未校验");
        p.files.OpenGate();
        QTest::mouseClick(p.List().cmdVerify, Qt::LeftButton);
        QTRY_VERIFY(p.List().lblOutcome->text().contains(
            "损坏：" + QDir::toNativeSeparators("region/r.0.0.mca")));
        QTRY_COMPARE(p.List().lstBackups->topLevelItem(0)->text(5), "损坏（1）");

        // The backup an earlier version made has no manifest: checking all gives it one,
        // which proves nothing yet.
        QTest::mouseClick(p.List().cmdVerifyAll, Qt::LeftButton);
        QTRY_VERIFY(p.List().lblOutcome->text().contains("已按备份现在的内容生成清单"));
        QVERIFY(fs::exists(NativePath(p.App("【1】9_5_7/.manifest"))));
        QTRY_COMPARE(p.List().lstBackups->findItems("未校验", Qt::MatchExactly, 5).size(), 1);

        WriteFile(p.levelDat, "level data, changed since");
        QTest::mouseClick(p.List().cmdCompare, Qt::LeftButton);
        auto* comparison = p.List().findChild<BackupComparisonWindow*>();
        QVERIFY(comparison != nullptr);
        QCOMPARE(comparison->cboAgainst->currentText(), "当前存档");
        QCOMPARE(comparison->cboAgainst->count(), 2);
        QTRY_VERIFY(comparison->cboAgainst->x() > 0); // beside its label
        QVERIFY(comparison->cboAgainst->itemText(1).contains("【1】9_5_7"));
        QTRY_COMPARE(comparison->lstFiles->topLevelItemCount(), 1);
        QCOMPARE(comparison->lstFiles->topLevelItem(0)->text(0), "level.dat");
        QCOMPARE(comparison->lstFiles->topLevelItem(0)->text(1), "改动");
    }
};

QTEST_MAIN(BackupListWindowTest)
#include "tst_BackupListWindow.moc"
