// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupListWindow.h"
#include "BackupSettingsDialog.h"
#include "FolderTrees.h"
#include "OffsiteListWindow.h"
#include "ResticRepository.h"
#include "TestProgram.h"
#include "UserPrompt.h"
#include "WindowDescription.h"

#include "BackupOptions.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTreeWidget>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using saver::test::NativePath;
using saver::test::ReadFile;
constexpr int kRestic = 30'000; // ms: restic's slowest step here, on a loaded machine

void BackUpAndUpload(TestProgram& p, const std::string& folder)
{
    QTest::mouseClick(p.main.Command4, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(fs::exists(NativePath(p.app + "/" + folder + "/.offsite")), kRestic);
}

// Typed as a Chinese player types: the input method hands over the whole text.
void Type(QLineEdit* field, const std::string& text)
{
    QInputMethodEvent typed;
    typed.setCommitString(QString::fromStdString(text));
    QApplication::sendEvent(field, &typed);
}

} // namespace

// The player's way to copies off this machine: set in 备份管理, seen in the backup list,
// restored from 异地备份列表.
class OffsiteListWindowTest final : public QObject
{
    Q_OBJECT

    saver::test::TempDir m_cache;

private slots:
    void initTestCase()
    {
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(m_cache.path()));
        UserPrompt::setAnswererForTests([](const QString&) { return true; });
    }

    // A local folder typed in as the repository is made a repository by 检查仓库; the next
    // whole-save backup then goes there and the list says so. A backup pruned here is still in
    // the repository, and restored from it over the save.
    void prunedBackupIsRestoredFromTheRepositorySetInTheDialog()
    {
        TestProgram p(saver::OptionsFile::Format({.keepNewest = 1, .pruneManual = true}));
        p.files.OpenGate();
        saver::test::ResticRepository repo(false);
        WhenModal<BackupSettingsDialog>([&repo](BackupSettingsDialog& dialog) {
            dialog.cboOffsite->setCurrentIndex(2);
            Type(dialog.txtRepository, repo.path);
            Type(dialog.txtPassword, repo.passwordFile);
            QTest::mouseClick(dialog.cmdCheckRepository, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(dialog.lblRepository->text(), "已创建仓库，可以使用",
                                      kRestic);
            QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        });
        QTest::mouseClick(p.main.cmdManage, Qt::LeftButton);
        QCOMPARE(p.session.Options().offsite, repo.Options());
        BackUpAndUpload(p, "【1】10_0_0");
        p.main.mnuFolder->mnuBackupList->trigger();
        auto& list = *p.main.findChild<BackupListWindow*>();
        QTRY_VERIFY(list.lstBackups->topLevelItemCount() == 1 &&
                    list.lstBackups->topLevelItem(0)->text(7) == "已异地");
        QTRY_VERIFY(p.main.lblShow2->text().startsWith("第1次 保存成功！")); // not the upload's
        saver::test::WriteFile(p.levelDat, "level data, second version");
        p.clock.Advance(1);
        BackUpAndUpload(p, "【2】10_0_1");
        QVERIFY(!fs::exists(NativePath(p.app + "/【1】10_0_0")));
        // A backup that was damaged before it went comes back as it went: its manifest stops it.
        saver::test::FlipByte(p.app + "/【2】10_0_1/world/level.dat");
        QProcess restic;
        restic.setProcessEnvironment(ResticRun::Environment(repo.Options()));
        restic.setWorkingDirectory(QString::fromStdString(p.app + "/【2】10_0_1"));
        restic.start("restic", {"backup", "--tag", "world", "--tag", "damaged", "."});
        QVERIFY(restic.waitForFinished(kRestic) && restic.exitCode() == 0);

        QTest::mouseClick(list.cmdOffsiteList, Qt::LeftButton);
        OffsiteListWindow& offsite = *list.findChild<OffsiteListWindow*>();
        VerifyAsRecorded(Described(&offsite, QString::fromStdString(p.root.path())),
                         QStringLiteral(TEST_SOURCE_DIR "/offsite-list.txt"));
        QTreeWidget* rows = offsite.lstSnapshots;
        QTRY_COMPARE_WITH_TIMEOUT(rows->topLevelItemCount(), 3, kRestic);
        const auto restore = [&](int row) {
            const QPoint middle = rows->visualItemRect(rows->topLevelItem(row)).center();
            QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, middle);
            QTest::mouseClick(offsite.cmdRestore, Qt::LeftButton);
        };
        restore(0);
        QTRY_VERIFY2_WITH_TIMEOUT(
            offsite.lblOutcome->text().startsWith(
                "无法取回快照：校验 取回的快照 发现 1 个文件与清单不符：\n损坏：level.dat"),
            qPrintable(offsite.lblOutcome->text()), kRestic);
        QCOMPARE(ReadFile(p.levelDat), "level data, second version");
        QCOMPARE(rows->topLevelItem(2)->text(3), "【1】10_0_0");
        QTRY_VERIFY_WITH_TIMEOUT(rows->topLevelItem(2)->text(2).endsWith("B"), kRestic);
        // The game has the world open: the player is asked first, and may say no.
        p.files.gameHoldsLock = true;
        QStringList asked;
        const auto answer = [&asked](bool yes) {
            UserPrompt::setAnswererForTests([&asked, yes](const QString& text) {
                asked << text;
                return yes;
            });
        };
        answer(false);
        restore(2);
        QVERIFY(!offsite.cmdRestore->isEnabled() && !offsite.cmdRefresh->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(offsite.lblOutcome->text(), "已取消恢复", kRestic);
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().startsWith("游戏正在使用这个存档"));
        QVERIFY(offsite.cmdRestore->isEnabled());
        QVERIFY(!fs::exists(NativePath(p.app + "/.offsite-restore.partial")));
        answer(true);
        restore(2);
        QTRY_VERIFY_WITH_TIMEOUT(
            offsite.lblOutcome->text().startsWith("已恢复存档 world（来自 异地快照 " +
                                                  rows->topLevelItem(2)->text(4) + "）"),
            kRestic);
        QCOMPARE(ReadFile(p.levelDat), kLevel);
        QCOMPARE(asked.size(), 4); // the backup list says the outcome too
        QVERIFY(!fs::exists(NativePath(p.app + "/.offsite-restore.partial")));
        QCOMPARE(repo.Snapshots().size(), 3u);
    }
};

QTEST_MAIN(OffsiteListWindowTest)
#include "tst_OffsiteListWindow.moc"
