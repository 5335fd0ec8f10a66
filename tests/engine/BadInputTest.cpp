#include "AutoSaver.h"
#include "EngineFixture.h"
#include "FaultyServices.h"
#include "QuickSlot.h"
#include "RunToEnd.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace saver::test {
namespace {

namespace fs = std::filesystem;

// saver.ini in shapes no run of the program writes: the prompt stays, nothing breaks.
struct SettingsCase
{
    const char* name;
    std::function<void(const std::string& settingsPath)> make;
};

class UnusableSettings : public EngineFixture, public testing::WithParamInterface<SettingsCase>
{
};

TEST_P(UnusableSettings, KeepThePromptAndCanBeReplaced)
{
    GetParam().make(App("saver.ini"));
    AutoSaver saver(files, clock);
    saver.Form_Load();
    EXPECT_EQ(saver.ChosenPath(), kPathPrompt);
    const AutoSaver::BackupStart start = saver.Command4_Click();
    EXPECT_EQ(start.status->lblShow2, "请先选择level.dat的路径");

    const std::error_code chosen = saver.Command3_Click(LevelDat());
    if (fs::is_directory(App("saver.ini"))) {
        EXPECT_TRUE(chosen) << "a folder in the way is reported, not removed";
        EXPECT_TRUE(fs::is_directory(App("saver.ini")));
    } else {
        EXPECT_FALSE(chosen) << chosen.message();
        EXPECT_EQ(ReadFile(App("saver.ini")), LevelDat() + "\r\n");
    }
}

template <typename Case> std::string CaseName(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, UnusableSettings,
    testing::Values(
        SettingsCase{"Empty", [](const std::string& p) { WriteFile(p, ""); }},
        SettingsCase{
            "Binary",
            [](const std::string& p) { WriteFile(p, std::string("\x01\x00\x7f\x02", 4)); }},
        SettingsCase{"NotUtf8",
                     [](const std::string& p) { WriteFile(p, "/spiel/\xe4\xf6.dat\r\n"); }},
        SettingsCase{"TenMegabytesOnOneLine",
                     [](const std::string& p) { WriteFile(p, std::string(10 << 20, 'a')); }},
        SettingsCase{"AFolder", [](const std::string& p) { fs::create_directory(p); }}),
    CaseName<SettingsCase>);

TEST_F(EngineFixture, PathWithANewlineIsRefused)
{
    AutoSaver saver(files, clock);
    saver.Form_Load();
    const std::error_code error = saver.Command3_Click(SaveFolder() + "/level\n.dat");
    EXPECT_EQ(FailureReason(error), "路径无效");
    EXPECT_EQ(saver.ChosenPath(), kPathPrompt);
    EXPECT_FALSE(fs::exists(App("saver.ini")));
}

// Chosen paths that lead nowhere useful: every action says so and nothing is lost.
struct ChosenCase
{
    const char* name;
    std::function<std::string(const std::string& saveFolder)> choose;
};

class UnusableChoice : public EngineFixture, public testing::WithParamInterface<ChosenCase>
{
};

TEST_P(UnusableChoice, EveryActionSaysWhyAndLosesNothing)
{
    const std::string chosen = GetParam().choose(SaveFolder());
    WriteFile(App("tmp.back"), "slot");
    AutoSaver saver(files, clock);
    ASSERT_FALSE(saver.Command3_Click(chosen));

    QuickSlot slot(files);
    EXPECT_EQ(slot.QuickSave(chosen).message, "快速保存失败：找不到存档");
    EXPECT_EQ(ReadFile(App("tmp.back")), "slot");

    saver.SetKind(BackupKind::Character);
    saver.HScroll2_Change(1);
    saver.chk1_Click(true);
    clock.Advance(59);
    EXPECT_EQ(saver.Timer2_Timer().backup.status->lblShow2, "保存失败：找不到存档");
    EXPECT_EQ(ReadFile(LevelDat()), "world v1");
    EXPECT_EQ(Entries(appDir.path()), (std::vector<std::string>{"saver.ini", "tmp.back"}));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, UnusableChoice,
    testing::Values(ChosenCase{"Missing", [](const std::string& s) { return s + "/gone.dat"; }},
                    ChosenCase{"AFolder", [](const std::string& s) { return s; }},
                    ChosenCase{"MissingFolder",
                               [](const std::string& s) { return s + "/nowhere/level.dat"; }},
                    ChosenCase{"BareName", [](const std::string&) { return "level.dat"; }}),
    CaseName<ChosenCase>);

// The restore of a path that is a folder must not put the slot anywhere.
TEST_F(EngineFixture, RestoreOverAFolderChangesNothing)
{
    WriteFile(App("tmp.back"), "slot");
    const QuickResult result = QuickSlot(files).Restore(SaveFolder(), {9, 5, 7});
    EXPECT_EQ(result.outcome, QuickResult::Outcome::Failed);
    EXPECT_EQ(ReadFile(LevelDat()), "world v1");
    EXPECT_EQ(Entries(gameDir.path()), std::vector<std::string>{"MyWorld"});
}

// What the operating system refuses, seen through the services: permissions and a full disk.
struct RefusalCase
{
    const char* name;
    bool everything; // every operation is refused, or only the copies
    std::errc error;
    const char* wholeSave;
    const char* quickSave;
};

class Refusals : public EngineFixture, public testing::WithParamInterface<RefusalCase>
{
};

TEST_P(Refusals, AreNamedAndLeaveEveryFileAsItWas)
{
    const RefusalCase& c = GetParam();
    WriteFile(App("saver.ini"), LevelDat() + "\r\n");
    WriteFile(App("tmp.back"), "slot");
    FaultyServices faulty(files);
    AutoSaver saver(faulty, clock);
    saver.Form_Load();
    if (c.everything) {
        faulty.FailAt(1, c.error, FaultyServices::Mode::FromThenOn);
    } else {
        faulty.FailEvery("CopyFolder", c.error);
        faulty.FailEvery("CopyFile", c.error);
    }

    EXPECT_EQ(RunToEnd(saver, saver.Command4_Click().job).lblShow2, c.wholeSave);
    EXPECT_EQ(QuickSlot(faulty).QuickSave(LevelDat()).message, c.quickSave);
    faulty.Heal();
    EXPECT_EQ(ReadFile(App("tmp.back")), "slot");
    EXPECT_EQ(ReadFile(LevelDat()), "world v1");
    EXPECT_EQ(saver.SaveCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, Refusals,
    testing::Values(RefusalCase{"UnreadableSaveFile", false, std::errc::permission_denied,
                                "保存失败：没有权限",
                                "快速保存失败：没有权限（原有的快速存档未改动）"},
                    RefusalCase{"ReadOnlyProgramFolder", true, std::errc::read_only_file_system,
                                "保存失败：没有权限",
                                "快速保存失败：没有权限（原有的快速存档未改动）"},
                    RefusalCase{"DiskFullDuringTheCopy", false, std::errc::no_space_on_device,
                                "保存失败：磁盘空间不足",
                                "快速保存失败：磁盘空间不足（原有的快速存档未改动）"}),
    CaseName<RefusalCase>);

// Save folders with unusual things inside are still backed up whole.
TEST_F(EngineFixture, OddSaveContentsAreBackedUp)
{
    const std::string save = SaveFolder();
    fs::create_directory(save + "/loop");
    fs::create_directory_symlink("../loop", save + "/loop/again"); // a link loop
    fs::create_symlink("b.lnk", save + "/a.lnk");
    fs::create_symlink("a.lnk", save + "/b.lnk");
    ASSERT_EQ(mkfifo((save + "/pipe").c_str(), 0600), 0);
    WriteFile(save + "/empty.dat", "");
    const std::string longName(200, 'n');
    WriteFile(save + "/" + longName, "long");
    fs::create_directory(save + "/玩家数据");
    WriteFile(save + "/玩家数据/存档.dat", "中文");

    WriteFile(App("saver.ini"), LevelDat() + "\r\n");
    AutoSaver saver(files, clock);
    saver.Form_Load();
    EXPECT_EQ(RunToEnd(saver, saver.Command4_Click().job).lblShow2, "第1次 保存成功！");

    const std::string copy = App("【1】9_5_7/MyWorld");
    EXPECT_EQ(fs::read_symlink(copy + "/loop/again"), "../loop");
    EXPECT_EQ(fs::read_symlink(copy + "/a.lnk"), "b.lnk");
    EXPECT_FALSE(fs::exists(fs::symlink_status(copy + "/pipe")));
    EXPECT_EQ(ReadFile(copy + "/empty.dat"), "");
    EXPECT_EQ(ReadFile(copy + "/" + longName), "long");
    EXPECT_EQ(ReadFile(copy + "/玩家数据/存档.dat"), "中文");
}

// The same refusals from a real operating system. Root reads and writes everything, so these
// run as the unprivileged user "nobody" in a child process when the test runs as root.
int AsUnprivileged(const std::function<int()>& body)
{
    if (geteuid() != 0)
        return body();
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(100);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

class RealRefusals : public EngineFixture
{
protected:
    RealRefusals()
    {
        for (const std::string& folder : {appDir.path(), gameDir.path(), SaveFolder()})
            fs::permissions(folder, fs::perms::all);
        fs::permissions(LevelDat(), fs::perms::all);
        WriteFile(App("saver.ini"), LevelDat() + "\r\n");
        WriteFile(App("tmp.back"), "slot");
        fs::permissions(App("saver.ini"), fs::perms::all);
        fs::permissions(App("tmp.back"), fs::perms::all);
    }
};

TEST_F(RealRefusals, UnreadableLevelDat)
{
    fs::permissions(LevelDat(), fs::perms::none);
    const int failures = AsUnprivileged([&] {
        AutoSaver saver(files, clock);
        saver.Form_Load();
        int wrong = 0;
        wrong += RunToEnd(saver, saver.Command4_Click().job).lblShow2 != "保存失败：没有权限";
        wrong += QuickSlot(files).QuickSave(LevelDat()).message !=
                 "快速保存失败：没有权限（原有的快速存档未改动）";
        return wrong;
    });
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(ReadFile(App("tmp.back")), "slot");
    EXPECT_EQ(Entries(appDir.path()), (std::vector<std::string>{"saver.ini", "tmp.back"}));
}

TEST_F(RealRefusals, ReadOnlyProgramFolder)
{
    fs::permissions(appDir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
    const int failures = AsUnprivileged([&] {
        AutoSaver saver(files, clock);
        saver.Form_Load();
        int wrong = 0;
        wrong += saver.ChosenPath() != LevelDat();
        wrong += RunToEnd(saver, saver.Command4_Click().job).lblShow2 != "保存失败：没有权限";
        wrong += QuickSlot(files).QuickSave(LevelDat()).message !=
                 "快速保存失败：没有权限（原有的快速存档未改动）";
        wrong += FailureReason(saver.Command3_Click("/other/level.dat")) != "没有权限";
        return wrong;
    });
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(ReadFile(App("tmp.back")), "slot");
    EXPECT_EQ(ReadFile(App("saver.ini")), LevelDat() + "\r\n");
}

TEST_F(RealRefusals, ReadOnlyGameFolderStopsTheRestoreBeforeTheGameFile)
{
    fs::permissions(SaveFolder(), fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
    const int failures = AsUnprivileged([&] {
        const QuickResult result = QuickSlot(files).Restore(LevelDat(), {9, 5, 7});
        return result.message == "覆盖失败：没有权限（游戏存档未改动）" ? 0 : 1;
    });
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(ReadFile(LevelDat()), "world v1");
}

// A real full disk: the program folder on a small in-memory file system.
TEST_F(EngineFixture, RealDiskFullLeavesNoHalfBackup)
{
    TempDir small;
    if (geteuid() != 0 || mount("tmpfs", small.path().c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    struct Unmount
    {
        std::string path;
        ~Unmount() { umount(path.c_str()); }
    } unmount{small.path()};

    WriteFile(SaveFolder() + "/big.mca", std::string(3 << 20, 'x'));
    WriteFile(small.path() + "/saver.ini", LevelDat() + "\r\n");
    WriteFile(small.path() + "/tmp.back", "slot");
    SystemServices onSmallDisk(small.path());
    AutoSaver saver(onSmallDisk, clock);
    saver.Form_Load();
    EXPECT_EQ(RunToEnd(saver, saver.Command4_Click().job).lblShow2, "保存失败：磁盘空间不足");
    EXPECT_EQ(Entries(small.path()), (std::vector<std::string>{"saver.ini", "tmp.back"}));

    WriteFile(LevelDat(), std::string(2 << 20, 'l'));
    EXPECT_EQ(QuickSlot(onSmallDisk).QuickSave(LevelDat()).message,
              "快速保存失败：磁盘空间不足（原有的快速存档未改动）");
    EXPECT_EQ(ReadFile(small.path() + "/tmp.back"), "slot");
    EXPECT_EQ(Entries(small.path()), (std::vector<std::string>{"saver.ini", "tmp.back"}));
}

} // namespace
} // namespace saver::test
