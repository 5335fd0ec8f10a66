// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupSession.h"
#include "TempDir.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <fcntl.h>
#endif

// The game with its world open: a second copy of the test program holds session.lock as the
// game does. Test programs call ServeIfAsked() from initMain(), by which that copy knows.
class GameLock final
{
public:
    static void ServeIfAsked()
    {
        const char* path = std::getenv(kVariable);
        if (path == nullptr)
            return;
#ifndef _WIN32 // see OpenAndLeave
        struct flock whole = {};
        whole.l_type = F_WRLCK;
        const bool held = ::fcntl(::open(path, O_RDWR | O_CREAT, 0644), F_SETLK, &whole) == 0;
#else
        const bool held = false;
#endif
        std::puts(held ? "held" : "refused");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        std::exit(0);
    }

    // The player opens the world in the save folder `save` and leaves it, as `session` sees.
    // Linux alone: under Wine the test ran past its time limit.
    static void OpenAndLeave(BackupSession& session, const std::string& save)
    {
        QSignalSpy inUse(&session, &BackupSession::SaveInUseChanged);
        QProcess game;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kVariable, QString::fromStdString(save + "/session.lock"));
        game.setProcessEnvironment(environment);
        game.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(game.waitForReadyRead(20000) && game.readAll().startsWith("held"));
        QTRY_COMPARE_WITH_TIMEOUT(inUse.size(), 1, 10000);
        game.closeWriteChannel();
        QVERIFY(game.waitForFinished(20000));
        QTRY_COMPARE_WITH_TIMEOUT(inUse.size(), 2, 10000);
    }

private:
    static constexpr const char* kVariable = "MCSAVER_TEST_GAME_LOCK";
};
