// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupSession.h"
#include "TempDir.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QString>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#endif

// A game that has its world open: a second copy of the test program holds session.lock as the
// game does, until the test lets go of it. Each test program calls ServeIfAsked() from its
// initMain(), which is how that copy knows to play the game.
class GameLock final
{
public:
    explicit GameLock(const std::string& sessionLock)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kVariable), QString::fromStdString(sessionLock));
        m_game.setProcessEnvironment(environment);
        m_game.start(QCoreApplication::applicationFilePath(), {});
        m_game.waitForReadyRead(20000);
    }
    ~GameLock()
    {
        if (m_game.state() != QProcess::NotRunning) {
            m_game.kill();
            m_game.waitForFinished();
        }
    }
    GameLock(const GameLock&) = delete;
    GameLock& operator=(const GameLock&) = delete;

    bool Held() { return m_game.readAllStandardOutput().startsWith("held"); }
    // The player leaves the world: the game closes the file and ends.
    void Release()
    {
        m_game.closeWriteChannel();
        m_game.waitForFinished(20000);
    }

    // The player opens the world of the save folder `save` and leaves it again, both seen by
    // `session`.
    static void OpenAndLeave(BackupSession& session, const std::string& save)
    {
        QSignalSpy inUse(&session, &BackupSession::SaveInUseChanged);
        GameLock game(save + "/session.lock");
        QVERIFY(game.Held());
        QTRY_COMPARE_WITH_TIMEOUT(inUse.size(), 1, 10000);
        game.Release();
        QTRY_COMPARE_WITH_TIMEOUT(inUse.size(), 2, 10000);
        QCOMPARE(inUse.at(1).at(0).toBool(), false);
    }

    static void ServeIfAsked()
    {
        const char* path = std::getenv(kVariable);
        if (path == nullptr)
            return;
#ifdef _WIN32
        // The game opens the file for itself alone, which is how Windows shows it held.
        const HANDLE file =
            ::CreateFileW(saver::test::NativePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                          nullptr, OPEN_ALWAYS, 0, nullptr);
        const bool held = file != INVALID_HANDLE_VALUE;
#else
        struct flock whole = {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        const bool held =
            ::fcntl(::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644), F_SETLK, &whole) == 0;
#endif
        std::fputs(held ? "held\n" : "refused\n", stdout);
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        std::exit(held ? 0 : 1);
    }

private:
    static constexpr const char* kVariable = "MCSAVER_TEST_GAME_LOCK";
    QProcess m_game;
};
