// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemServices.h"
#include "TempDir.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace saver::test {
namespace {

TEST(SessionLockTest, SeesALockHeldByAnotherProcessOnly)
{
    const TempDir save;
    SystemServices files(save.path());
    const std::string lock = save.path() + "/session.lock";
    WriteFile(lock, "\xE2\x98\x83");
    // A child locks the file as the game does and says so, then waits to be ended.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t game = ::fork();
    ASSERT_GE(game, 0);
    if (game == 0) {
        struct flock whole
        {
        };
        whole.l_type = F_WRLCK;
        const char locked = ::fcntl(::open(lock.c_str(), O_RDWR), F_SETLK, &whole) == 0 ? 'y' : 'n';
        if (::write(ready[1], &locked, 1) == 1)
            ::pause();
        ::_exit(1);
    }
    char locked = 'n';
    EXPECT_TRUE(::read(ready[0], &locked, 1) == 1 && locked == 'y');
    EXPECT_TRUE(files.IsLockedByAnotherProcess(lock));
    ::kill(game, SIGKILL);
    ::waitpid(game, nullptr, 0);
    EXPECT_FALSE(files.IsLockedByAnotherProcess(lock));
}

} // namespace
} // namespace saver::test
