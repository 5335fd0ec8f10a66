// SPDX-License-Identifier: GPL-3.0-or-later
#include "Leftovers.h"
#include "QuickSlot.h"
#include "SystemServices.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace saver::test {
namespace {

// Two saves of different sizes, so that a slot cut short is never taken for the other one.
const std::string kSaves[]{std::string(300 << 10, 'a'), std::string(200 << 10, 'b')};

// The game writes its save whole, by a rename, and the program quick-saves it, over and over;
// a byte down the pipe after each quick save.
[[noreturn]] void QuickSaveUntilKilled(const std::string& app, const std::string& level, int pipe)
{
    SystemServices files(app);
    for (int n = 0;; ++n) {
        std::ofstream(level + ".game", std::ios::binary) << kSaves[n % 2];
        const bool saved = std::rename((level + ".game").c_str(), level.c_str()) == 0 &&
                           QuickSlot(files).QuickSave(level).outcome == QuickResult::Outcome::Done;
        if (!saved || ::write(pipe, "", 1) != 1)
            ::_exit(1);
    }
}

// A child is killed at a random moment of its quick saves, two hundred times over: the slot
// is always one of the saves whole, and a later start removes what a kill left half-written.
TEST(QuickSlotKill, TheSlotIsWholeAfterEveryKill)
{
    const TempDir app, game;
    const std::string level = game.path() + "/level.dat";
    std::minstd_rand random(std::random_device{}());
    for (int kill = 0; kill < 200; ++kill) {
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        const pid_t child = ::fork();
        if (child == 0)
            QuickSaveUntilKilled(app.path(), level, progress[1]);
        ::close(progress[1]);
        char saved = 0;
        ASSERT_EQ(::read(progress[0], &saved, 1), 1) << "the child could not quick-save";
        // Spins of every order of size, so that kills land early and late in a copy alike.
        volatile unsigned long spin = (random() & 0xFFFFFF) >> random() % 24;
        while (spin > 0)
            spin = spin - 1;
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(progress[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped on its own at kill " << kill;
        const std::string slot = ReadFile(app.path() + "/tmp.back");
        ASSERT_TRUE(slot == kSaves[0] || slot == kSaves[1])
            << slot.size() << " bytes at kill " << kill;
    }
    SystemServices files(app.path());
    RemoveLeftovers(files);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(app.path()), {}), 1);
}

} // namespace
} // namespace saver::test
