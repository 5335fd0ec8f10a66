#include "AutoSaver.h"
#include "EngineFixture.h"
#include "FaultyServices.h"
#include "RunToEnd.h"

#include <gtest/gtest.h>

namespace saver::test {
namespace {

class AutoSaverTest : public EngineFixture
{
protected:
    AutoSaverTest()
    {
        std::filesystem::create_directories(SaveFolder() + "/region");
        WriteFile(SaveFolder() + "/region/r.0.0.mca", std::string(70000, 'r'));
        WriteFile(App("saver.ini"), LevelDat() + "\r\n");
        saver.Form_Load();
    }

    // Ticks once a second up to the given time of day, running every backup that comes due.
    std::vector<StatusTexts> TickUntil(int h, int m, int s)
    {
        std::vector<StatusTexts> shown;
        const std::string until = ClockText(h, m, s);
        do {
            clock.Advance(1);
            AutoSaver::TickOutcome outcome = saver.Timer2_Timer();
            lastCountdown = outcome.countdown;
            if (outcome.backup.job)
                shown.push_back(RunToEnd(saver, outcome.backup.job));
            else if (outcome.backup.status)
                shown.push_back(*outcome.backup.status);
        } while (clock.ClockText() != until);
        return shown;
    }

    static std::string ClockText(int h, int m, int s)
    {
        SettableClock at(h, m, s);
        return at.ClockText();
    }

    StatusTexts ManualBackup()
    {
        AutoSaver::BackupStart start = saver.Command4_Click();
        return start.job ? RunToEnd(saver, start.job) : *start.status;
    }

    AutoSaver saver{files, clock};
    std::string lastCountdown;
};

TEST_F(AutoSaverTest, ScheduledWholeSaveBackupsAppearOnDisk)
{
    clock.Set(9, 0, 0);
    EXPECT_EQ(saver.chk1_Click(true), Green);
    const auto shown = TickUntil(9, 10, 0);
    EXPECT_EQ(shown, (std::vector<StatusTexts>{{"9:4:59", "第1次 保存成功！"},
                                               {"9:9:59", "第2次 保存成功！"}}));
    EXPECT_EQ(lastCountdown, "05:00");
    EXPECT_EQ(ReadFile(App("【1】9_4_59/MyWorld/level.dat")), "world v1");
    EXPECT_EQ(ReadFile(App("【2】9_9_59/MyWorld/region/r.0.0.mca")), std::string(70000, 'r'));
    EXPECT_EQ(saver.SaveCount(), 2);
}

TEST_F(AutoSaverTest, SwitchedOffMakesNoBackups)
{
    clock.Set(9, 0, 0);
    saver.chk1_Click(true);
    TickUntil(9, 1, 0);
    EXPECT_EQ(saver.chk1_Click(false), Red);
    EXPECT_TRUE(TickUntil(9, 10, 0).empty());
    EXPECT_EQ(Entries(appDir.path()), std::vector<std::string>{"saver.ini"});
}

TEST_F(AutoSaverTest, CharacterBackupsCopyLevelDatAlone)
{
    clock.Set(9, 0, 0);
    saver.SetKind(BackupKind::Character);
    EXPECT_EQ(saver.HScroll2_Change(1), "保存间隔 1 分钟");
    saver.chk1_Click(true);
    const auto shown = TickUntil(9, 2, 0);
    EXPECT_EQ(shown, (std::vector<StatusTexts>{{"9:0:59", "9:0:59保存成功！"},
                                               {"9:1:59", "9:1:59保存成功！"}}));
    EXPECT_EQ(Entries(App("【存档】leveldat")),
              (std::vector<std::string>{"09_00_59level.dat", "09_01_59level.dat"}));
    EXPECT_EQ(saver.SaveCount(), 0);
}

TEST_F(AutoSaverTest, ManualAndScheduledBackupsShareTheCount)
{
    clock.Set(9, 0, 0);
    EXPECT_EQ(ManualBackup(), (StatusTexts{"9:0:0", "第1次 保存成功！"}));
    clock.Advance(1);
    EXPECT_EQ(ManualBackup(), (StatusTexts{"9:0:1", "第2次 保存成功！"}));
    saver.chk1_Click(true);
    EXPECT_EQ(TickUntil(9, 5, 0).at(0).lblShow2, "第3次 保存成功！");
    EXPECT_TRUE(std::filesystem::is_directory(App("【3】9_5_0")));
}

TEST_F(AutoSaverTest, BackupNamesTakenByAnEarlierRunGetANumber)
{
    std::filesystem::create_directories(App("【1】9_5_7/MyWorld"));
    WriteFile(App("【1】9_5_7/MyWorld/level.dat"), "an earlier run's backup");
    std::filesystem::create_directories(App("【1】9_5_7 (2)"));
    EXPECT_EQ(ManualBackup().lblShow2, "第1次 保存成功！");
    EXPECT_EQ(ReadFile(App("【1】9_5_7/MyWorld/level.dat")), "an earlier run's backup");
    EXPECT_EQ(ReadFile(App("【1】9_5_7 (3)/MyWorld/level.dat")), "world v1");
}

TEST_F(AutoSaverTest, CharacterBackupsInOneSecondKeepBoth)
{
    saver.SetKind(BackupKind::Character);
    saver.HScroll2_Change(1);
    for (const char* content : {"world v1", "world v2"}) {
        WriteFile(LevelDat(), content);
        clock.Set(9, 0, 0);
        saver.chk1_Click(true);
        clock.Set(9, 0, 59);
        EXPECT_EQ(saver.Timer2_Timer().backup.status->lblShow2, "9:0:59保存成功！");
    }
    EXPECT_EQ(ReadFile(App("【存档】leveldat/09_00_59level.dat")), "world v1");
    EXPECT_EQ(ReadFile(App("【存档】leveldat/09_00_59level (2).dat")), "world v2");
}

TEST_F(AutoSaverTest, WholeSaveWithoutAChosenPathAsksForOne)
{
    AutoSaver fresh(files, clock);
    const AutoSaver::BackupStart start = fresh.Command4_Click();
    EXPECT_EQ(start.job, nullptr);
    ASSERT_TRUE(start.status);
    EXPECT_EQ(start.status->lblShow2, "请先选择level.dat的路径");
    EXPECT_EQ(Entries(appDir.path()), std::vector<std::string>{"saver.ini"});
}

TEST_F(AutoSaverTest, SecondWholeSaveIsNotStartedWhileOneRuns)
{
    AutoSaver::BackupStart first = saver.Command4_Click();
    ASSERT_TRUE(first.job);
    EXPECT_EQ(first.status->lblShow2, "正在保存… 0%");
    const AutoSaver::BackupStart second = saver.Command4_Click();
    EXPECT_EQ(second.job, nullptr);
    EXPECT_EQ(second.status->lblShow2, "上一次整体保存尚未完成");
    EXPECT_EQ(RunToEnd(saver, first.job).lblShow2, "第1次 保存成功！");
    EXPECT_TRUE(saver.Command4_Click().job);
}

struct BackupFailure
{
    const char* operation;
    std::errc error;
    const char* status;
};

class FailedWholeSave : public AutoSaverTest, public testing::WithParamInterface<BackupFailure>
{
};

// A failed backup says why, leaves no half-made folder and does not count.
TEST_P(FailedWholeSave, ReportsTheFailureAndLeavesNothing)
{
    FaultyServices faulty(files);
    AutoSaver failing(faulty, clock);
    failing.Form_Load();
    faulty.FailEvery(GetParam().operation, GetParam().error);
    AutoSaver::BackupStart start = failing.Command4_Click();
    ASSERT_TRUE(start.job);
    EXPECT_EQ(RunToEnd(failing, start.job), (StatusTexts{"9:5:7", GetParam().status}));
    EXPECT_EQ(failing.SaveCount(), 0);
    EXPECT_EQ(Entries(appDir.path()), std::vector<std::string>{"saver.ini"});

    faulty.Heal();
    start = failing.Command4_Click();
    EXPECT_EQ(RunToEnd(failing, start.job).lblShow2, "第1次 保存成功！");
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FailedWholeSave,
    testing::Values(BackupFailure{"MakeDir", std::errc::permission_denied, "保存失败：没有权限"},
                    BackupFailure{"CopyFolder", std::errc::no_space_on_device,
                                  "保存失败：磁盘空间不足"},
                    BackupFailure{"CopyFolder", std::errc::operation_canceled, "保存失败：已取消"},
                    BackupFailure{"Rename", std::errc::io_error, "保存失败：读写错误"}),
    [](const testing::TestParamInfo<BackupFailure>& failure) {
        return std::string(failure.param.operation) + "_" +
               std::to_string(static_cast<int>(failure.param.error));
    });

TEST_F(AutoSaverTest, MissingSaveFolderIsReportedNotCounted)
{
    std::filesystem::remove_all(SaveFolder());
    EXPECT_EQ(ManualBackup(), (StatusTexts{"9:5:7", "保存失败：找不到存档"}));
    saver.SetKind(BackupKind::Character);
    saver.HScroll2_Change(1);
    saver.chk1_Click(true);
    EXPECT_EQ(TickUntil(9, 6, 7).at(0).lblShow2, "保存失败：找不到存档");
    EXPECT_EQ(saver.SaveCount(), 0);
    EXPECT_EQ(Entries(appDir.path()), std::vector<std::string>{"saver.ini"});
}

TEST_F(AutoSaverTest, ProgramInsideTheSaveIsLeftOutOfItsBackups)
{
    TempDir outer;
    const std::string save = outer.path() + "/World";
    const std::string program = save + "/saver";
    std::filesystem::create_directories(program);
    WriteFile(save + "/level.dat", "inside");
    WriteFile(program + "/saver.ini", save + "/level.dat\r\n");
    SystemServices inside(program);
    AutoSaver nested(inside, clock);
    nested.Form_Load();
    for (const char* status : {"第1次 保存成功！", "第2次 保存成功！"}) {
        AutoSaver::BackupStart start = nested.Command4_Click();
        EXPECT_EQ(RunToEnd(nested, start.job).lblShow2, status);
        clock.Advance(1);
    }
    EXPECT_EQ(Entries(program + "/【2】9_5_8/World"), std::vector<std::string>{"level.dat"});
}

} // namespace
} // namespace saver::test
