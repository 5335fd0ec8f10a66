// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderTrees.h"
#include "Leftovers.h"
#include "RestoreRecovery.h"
#include "SystemServices.h"
#include "WholeSaveRestore.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

namespace saver::test {
namespace {

namespace fs = std::filesystem;

// A save of many files, each of them told apart by `fill`.
Tree Save(char fill)
{
    Tree save;
    for (int i = 0; i < 24; ++i)
        save["region/r." + std::to_string(i) + ".mca"] = std::string(16 << 10, fill);
    save["level.dat"] = std::string(1000, fill);
    return save;
}

// Restores the two backups in turn over the save, on one filesystem or as across two; a byte
// down the pipe after each restore.
[[noreturn]] void RestoreUntilKilled(const std::string& app, const std::string& level, bool apart,
                                     int pipe)
{
    SystemServices real(app);
    OtherFilesystem across(real);
    FileServices& files = apart ? static_cast<FileServices&>(across) : real;
    BackupHolds holds;
    for (int n = 0;; ++n) {
        const std::string backup = app + (n % 2 == 0 ? "/【1】1_0_0" : "/【2】2_0_0");
        const RestoreOutcome outcome =
            WholeSaveRestore(files, holds, backup, level, "run " + std::to_string(n)).Run({}, {});
        if (outcome.error || ::write(pipe, "", 1) != 1)
            ::_exit(1);
    }
}

// A child is killed at a random moment of its restores, fifty times over, half of them
// across filesystems; after each kill the next start puts right what was left: the save is
// whole (the one it had or one of the backups), every 【恢复前】 folder holds a whole save, and
// nothing else of the restore is left on disk.
TEST(RestoreKill, EverySaveIsWholeAfterEveryKill)
{
    TempDir app;
    TempDir game;
    const std::string save = game.path() + "/World";
    const std::vector<Tree> whole = {Save('o'), Save('a'), Save('b')};
    WriteTree(save, whole[0]);
    WriteTree(app.path() + "/【1】1_0_0/World", whole[1]);
    WriteTree(app.path() + "/【2】2_0_0/World", whole[2]);
    const auto isWhole = [&](const Tree& tree) {
        return std::find(whole.begin(), whole.end(), tree) != whole.end();
    };
    std::minstd_rand random(std::random_device{}());
    for (int kill = 0; kill < 50; ++kill) {
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        const pid_t child = ::fork();
        if (child == 0)
            RestoreUntilKilled(app.path(), save + "/level.dat", kill % 2 == 1, progress[1]);
        ::close(progress[1]);
        char restored = 0;
        ASSERT_EQ(::read(progress[0], &restored, 1), 1) << "the child could not restore";
        volatile unsigned long spin = (random() & 0x7FFFFFF) >> random() % 27;
        while (spin > 0)
            spin = spin - 1;
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(progress[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped on its own at kill " << kill;

        SystemServices files(app.path());
        RemoveLeftovers(files);
        const RestoreRecovery recovery = RecoverInterruptedRestore(files);
        ASSERT_TRUE(isWhole(TreeOf(save))) << RecoveryText(recovery) << " at kill " << kill;
        std::vector<std::string> kept;
        for (const auto& entry : fs::directory_iterator(app.path())) {
            const std::string name = entry.path().filename().string();
            ASSERT_TRUE(name.starts_with("【")) << name << " left at kill " << kill;
            if (name.starts_with("【恢复前】"))
                kept.push_back(entry.path().string());
        }
        for (const std::string& folder : kept) {
            ASSERT_TRUE(isWhole(TreeOf(folder + "/World"))) << folder << " at kill " << kill;
            fs::remove_all(folder);
        }
        for (const auto& entry : fs::directory_iterator(game.path()))
            ASSERT_EQ(entry.path(), save) << RecoveryText(recovery) << " at kill " << kill;
    }
}

} // namespace
} // namespace saver::test
