// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Whatever the data folder holds, a second copy of the program never runs beside a first,
// and a start that does not run says why.
class SingleInstanceTest final : public QObject
{
    Q_OBJECT

private slots:
    // A lock file that no running copy answers for is taken over, whatever it holds.
    void takesOverALockNobodyAnswersFor_data()
    {
        QTest::addColumn<QByteArray>("lock");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\xff\xfe not a lock\n\n\n");
        QTest::newRow("another computer's") << QByteArray("4242\nmcsaver\nsome-other-computer\n");
        // The program that wrote it is gone, and its number now belongs to another program.
        QTest::newRow("a number reused by another program")
            << QByteArray::number(QCoreApplication::applicationPid()) + "\nmcsaver\n" +
                   QHostInfo::localHostName().toUtf8();
    }
    void takesOverALockNobodyAnswersFor()
    {
        QFETCH(QByteArray, lock);
        QTemporaryDir data;
        QFile file(data.filePath(SingleInstance::LockFileName()));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lock) == lock.size());
        file.close();
        SingleInstance first(data.path());
        const SingleInstance::Claim claim = first.ClaimDataFolder();
        QCOMPARE(claim.role, SingleInstance::Role::Only);
        QCOMPARE(claim.reason, QString());
        // It now holds the folder for good: a second start gives way to it.
        QSignalSpy wanted(&first, &SingleInstance::Wanted);
        QCOMPARE(SingleInstance(data.path()).ClaimDataFolder().role, SingleInstance::Role::Other);
        QTRY_COMPARE(wanted.count(), 1);
    }

    // A lock still held by a process that does not answer, or one that is not a file, is not
    // taken: the start says why.
    void refusesALockItCannotTakeOver()
    {
        QTemporaryDir data;
        const QString lock = data.filePath(SingleInstance::LockFileName());
        QLockFile silent(lock);
        QVERIFY(silent.tryLock(0));
        const auto verifyRefused = [&data, &lock] {
            const SingleInstance::Claim claim = SingleInstance(data.path()).ClaimDataFolder();
            QCOMPARE(claim.role, SingleInstance::Role::Refused);
            QVERIFY(claim.reason.contains(QDir::toNativeSeparators(lock)));
        };
        verifyRefused();
        silent.unlock();
        QVERIFY(QDir(data.path()).mkdir(SingleInstance::LockFileName()));
        verifyRefused();
    }

    // Where no lock file can be written, the first copy runs and says so, and a second one
    // still gives way to it.
    void withoutALockFileTheSocketKeepsOneCopy()
    {
        QTemporaryDir parent;
        const QString data = parent.filePath(QStringLiteral("gone"));
        SingleInstance first(data);
        const SingleInstance::Claim claim = first.ClaimDataFolder();
        QCOMPARE(claim.role, SingleInstance::Role::Only);
        QVERIFY(claim.reason.startsWith(QStringLiteral("无法写入锁文件")));
        QCOMPARE(SingleInstance(data).ClaimDataFolder().role, SingleInstance::Role::Other);
        // The disk has room again: a later start can write the lock the first copy could not.
        QVERIFY(QDir().mkpath(data));
        SingleInstance third(data);
        QCOMPARE(third.ClaimDataFolder().role, SingleInstance::Role::Other);
        QVERIFY(!QFileInfo::exists(QDir(data).filePath(SingleInstance::LockFileName())));
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "tst_SingleInstance.moc"
