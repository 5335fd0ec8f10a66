// SPDX-License-Identifier: GPL-3.0-or-later
#include "OffsiteUploader.h"
#include "ResticProgram.h"
#include "ResticRepository.h"
#include "ResticTexts.h"

#include "DataLayout.h"
#include "FolderTrees.h"
#include "OffsiteRecord.h"
#include "SystemServices.h"
#include "TempDir.h"

#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <deque>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using saver::kOffsiteMark;
using saver::test::NativePath;
using saver::test::ReadFile;
using saver::test::WriteFile;
namespace fs = std::filesystem;
constexpr int kRestic = 30'000; // ms: restic's slowest step here, on a loaded machine

// A data folder with whole-save backups in it, and the uploader that sends them to a fresh
// repository; its retries wait for the test to fire them.
struct Uploads
{
    Uploads() { uploader.SetSetup({ResticProgram::Find(), repo.Options()}); }

    // 【n】10_0_0 holding world/ with `files`, name → bytes.
    std::string Backup(int number, const saver::test::Tree& files)
    {
        std::string folder = app.path() + "/【" + std::to_string(number) + "】10_0_0";
        saver::test::WriteTree(folder + "/world", files);
        WriteFile(folder + "/" + saver::kMadeMark, std::to_string(number) + " 1\n");
        real.SetModified(folder, 1'796'000'000'000'000'000);
        return folder;
    }
    std::string Mark(const std::string& folder) { return ReadFile(folder + "/" + kOffsiteMark); }
    void Fire() { std::exchange(pending, {}).front().second(); }

    saver::test::TempDir app;
    saver::SystemServices real{app.path()};
    saver::test::ResticRepository repo;
    std::deque<std::pair<std::chrono::seconds, std::function<void()>>> pending;
    OffsiteUploader uploader{real, [this](std::chrono::seconds delay, std::function<void()> then) {
                                 pending.emplace_back(delay, std::move(then));
                             }};
    QSignalSpy uploaded{&uploader, &OffsiteUploader::Uploaded};
    QSignalSpy failed{&uploader, &OffsiteUploader::Failed};
    QSignalSpy stopped{&uploader, &OffsiteUploader::Stopped};
    QSignalSpy retrying{&uploader, &OffsiteUploader::Retrying};
};

} // namespace

class OffsiteUploaderTest final : public QObject
{
    Q_OBJECT

    saver::test::TempDir m_cache;

private slots:
    void initTestCase() { qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(m_cache.path())); }

    // The snapshot carries the save's and the backup's names; the backup is marked with its
    // id and keeps the time that tells when it was made. A backup that shares all but one of
    // its files with the one before adds about that file.
    void uploadsEachBackupWithItsTagsAddingOnlyWhatChanged()
    {
        Uploads u;
        std::mt19937 random;
        const auto piece = [&] {
            std::string bytes(16'384, '\0');
            std::ranges::generate(bytes, [&] { return static_cast<char>(random()); });
            return bytes;
        };
        saver::test::Tree files;
        for (int i = 0; i < 100; ++i)
            files["r." + std::to_string(i) + ".mca"] = piece();
        const std::string folder = u.Backup(1, files);
        u.uploader.Add(folder);
        QTRY_COMPARE_WITH_TIMEOUT(u.uploaded.count(), 1, kRestic);
        const std::vector<Snapshot> snapshots = u.repo.Snapshots();
        QCOMPARE(snapshots.size(), 1u);
        QCOMPARE(snapshots[0].tags, (QStringList{"world", "【1】10_0_0"}));
        QCOMPARE(snapshots[0].host, QSysInfo::machineHostName());
        QCOMPARE(u.Mark(folder), snapshots[0].shortId.toStdString() + "\r\n");
        QCOMPARE(u.real.Status(folder).modifiedNs, 1'796'000'000'000'000'000);
        QVERIFY(saver::OffsiteRecord(u.real).Waiting().empty());
        const std::uintmax_t before = u.repo.Bytes();
        files["r.7.mca"] = piece();
        u.uploader.Add(u.Backup(2, files));
        QTRY_COMPARE_WITH_TIMEOUT(u.uploaded.count(), 2, kRestic);
        const std::uintmax_t added = u.repo.Bytes() - before;
        QVERIFY2(added > 16'384 && added < 2 * 16'384 && before > 1'600'000,
                 qPrintable(QStringLiteral("%1 bytes added to %2").arg(added).arg(before)));
    }

    // restic reads as root what no permission keeps it from, but no one opens a path longer
    // than the system takes: a folder nested past it is a file restic cannot read.
    void someFilesUnreadIsAFailure()
    {
        Uploads u;
        const std::string folder = u.Backup(1, {{"level.dat", "level"}});
        const std::string name(250, 'd');
        int deep = ::open((folder + "/world").c_str(), O_DIRECTORY);
        for (int level = 0; level < 18; ++level) {
            QVERIFY(::mkdirat(deep, name.c_str(), 0700) == 0);
            ::close(std::exchange(deep, ::openat(deep, name.c_str(), O_DIRECTORY)));
        }
        ::close(::openat(deep, "region", O_CREAT | O_WRONLY, 0600));
        ::close(deep);
        u.uploader.Add(folder);
        QTRY_COMPARE_WITH_TIMEOUT(u.failed.count(), 1, kRestic);
        const auto outcome = u.failed.at(0).at(1).value<ResticOutcome>();
        QCOMPARE(outcome.kind, ResticOutcome::Kind::SomeFilesUnread);
        QVERIFY(ResticOutcomeText(outcome).contains(QStringLiteral("部分文件")));
        QCOMPARE(u.Mark(folder), "failed\r\n");
        QVERIFY(saver::OffsiteRecord(u.real).Waiting().empty() && !u.uploader.Halted());
        QProcess::execute("rm", {"-rf", QString::fromStdString(folder)});
    }

    // A restic that holds the repository for itself (a check stuck on an index file that never
    // ends) keeps the backup waiting, tried again once it lets go.
    void lockedRepositoryIsTriedAgain()
    {
        Uploads u;
        const std::string fifo = u.repo.path + "/index/" + std::string(64, 'a');
        QVERIFY(::mkfifo(fifo.c_str(), 0600) == 0);
        QProcess check;
        check.setProcessEnvironment(ResticRun::Environment(u.repo.Options()));
        check.start(QStringLiteral("restic"), {QStringLiteral("check")});
        QTRY_VERIFY_WITH_TIMEOUT(!fs::is_empty(NativePath(u.repo.path + "/locks")), kRestic);
        u.uploader.Add(u.Backup(1, {{"level.dat", "level"}}));
        QTRY_COMPARE_WITH_TIMEOUT(u.retrying.count(), 1, kRestic);
        QCOMPARE(u.pending.front().first, OffsiteUploader::kFirstRetry);
        QCOMPARE(saver::OffsiteRecord(u.real).Waiting().size(), 1u);
        // Still locked at the first retry: the next one waits twice as long.
        u.Fire();
        QTRY_COMPARE_WITH_TIMEOUT(u.retrying.count(), 2, kRestic);
        QCOMPARE(u.pending.front().first, 2 * OffsiteUploader::kFirstRetry);
        ::kill(static_cast<pid_t>(check.processId()), SIGINT);
        QVERIFY(check.waitForFinished(kRestic));
        fs::remove(fifo);
        u.Fire();
        QTRY_COMPARE_WITH_TIMEOUT(u.uploaded.count(), 1, kRestic);
        QCOMPARE(u.repo.Snapshots().size(), 1u);
    }

    // Uploads stop at a wrong password and say why; the right one starts them again.
    void wrongPasswordStopsUploads()
    {
        Uploads u;
        WriteFile(u.repo.passwordFile, "another password\n");
        u.uploader.Add(u.Backup(1, {{"level.dat", "level"}}));
        QTRY_COMPARE_WITH_TIMEOUT(u.stopped.count(), 1, kRestic);
        const auto outcome = u.stopped.at(0).at(0).value<ResticOutcome>();
        QVERIFY(ResticOutcomeText(outcome).contains(QStringLiteral("密码不对")));
        u.uploader.Add(u.Backup(2, {{"level.dat", "level"}}));
        QVERIFY(u.uploader.Halted());
        QCOMPARE(saver::OffsiteRecord(u.real).Waiting().size(), 2u);
        WriteFile(u.repo.passwordFile, "a password\n");
        u.uploader.SetSetup({ResticProgram::Find(), u.repo.Options()});
        QTRY_COMPARE_WITH_TIMEOUT(u.uploaded.count(), 2, 2 * kRestic);
        QCOMPARE(u.stopped.count(), 1);
    }

    // restic 0.14 tells a lock and a wrong password in words, later versions by exit code.
    void outcomeOfEachVersion()
    {
        using Kind = ResticOutcome::Kind;
        for (const auto& [code, errors, kind] : {std::tuple{11, "", Kind::Locked},
                                                 {12, "", Kind::WrongPassword},
                                                 {10, "", Kind::NoRepository},
                                                 {1, "Fatal: disk full", Kind::Failed}})
            QCOMPARE(ResticOutcome::KindOf(code, QByteArray(errors)), kind);
    }
};

QTEST_GUILESS_MAIN(OffsiteUploaderTest)
#include "tst_OffsiteUploader.moc"
