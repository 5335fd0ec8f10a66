#include "QuickSlot.h"
#include "AutoSaver.h"
#include "Colour.h"
#include "EngineFixture.h"
#include "FaultyServices.h"

#include <gtest/gtest.h>

namespace saver::test {
namespace {

using Outcome = QuickResult::Outcome;

TEST(StepColour, CyclesRedYellowGreen)
{
    const Colour grey{240, 240, 240};
    EXPECT_EQ(StepColour(grey), Red);
    EXPECT_EQ(StepColour(Red), Yellow);
    EXPECT_EQ(StepColour(Yellow), Green);
    EXPECT_EQ(StepColour(Green), Red);
    EXPECT_EQ(StepColour(Colour{0, 0, 255}), Red);
}

class QuickSlotTest : public EngineFixture
{
protected:
    std::string Safety(const std::string& name) const { return App("【刷物】leveldat/" + name); }
    QuickSlot slot{files};
};

TEST_F(QuickSlotTest, SaveThenRestoreKeepsASafetyCopy)
{
    ASSERT_EQ(slot.QuickSave(LevelDat()).outcome, Outcome::Done);
    EXPECT_EQ(ReadFile(App("tmp.back")), "world v1");

    WriteFile(LevelDat(), "world v2, fell in lava");
    ASSERT_EQ(slot.Restore(LevelDat(), {9, 5, 7}).outcome, Outcome::Done);
    EXPECT_EQ(ReadFile(LevelDat()), "world v1");
    EXPECT_EQ(ReadFile(Safety("09_05_07level.dat")), "world v2, fell in lava");
    EXPECT_EQ(ReadFile(App("tmp.back")), "world v1") << "the slot can be restored again";
    EXPECT_EQ(Entries(SaveFolder()), std::vector<std::string>{"level.dat"});
}

TEST_F(QuickSlotTest, QuickSaveReplacesTheSlot)
{
    WriteFile(App("tmp.back"), "an older slot that was longer");
    ASSERT_EQ(slot.QuickSave(LevelDat()).outcome, Outcome::Done);
    EXPECT_EQ(ReadFile(App("tmp.back")), "world v1");
}

TEST_F(QuickSlotTest, RestoresInOneSecondNeverOverwriteEachOther)
{
    WriteFile(App("tmp.back"), "slot");
    for (const char* content : {"first", "second", "third"}) {
        WriteFile(LevelDat(), content);
        ASSERT_EQ(slot.Restore(LevelDat(), {9, 5, 7}).outcome, Outcome::Done);
    }
    EXPECT_EQ(ReadFile(Safety("09_05_07level.dat")), "first");
    EXPECT_EQ(ReadFile(Safety("09_05_07level (2).dat")), "second");
    EXPECT_EQ(ReadFile(Safety("09_05_07level (3).dat")), "third");
}

TEST_F(QuickSlotTest, MissingSlotShowsTheMessageAndChangesNothing)
{
    const QuickResult result = slot.Restore(LevelDat(), {9, 5, 7});
    EXPECT_EQ(result.outcome, Outcome::NoSlot);
    EXPECT_EQ(result.message, "程序目录没有发现备份文件！");
    EXPECT_EQ(result.title, "tmp.back不存在");
    EXPECT_EQ(ReadFile(LevelDat()), "world v1");
    EXPECT_TRUE(Entries(appDir.path()).empty());
}

TEST_F(QuickSlotTest, RestoreWithoutAGameFileStillPutsTheSlotInPlace)
{
    WriteFile(App("tmp.back"), "slot");
    std::filesystem::remove(LevelDat());
    ASSERT_EQ(slot.Restore(LevelDat(), {9, 5, 7}).outcome, Outcome::Done);
    EXPECT_EQ(ReadFile(LevelDat()), "slot");
}

TEST_F(QuickSlotTest, QuickSaveOfAMissingFileKeepsTheSlot)
{
    WriteFile(App("tmp.back"), "precious");
    for (const std::string& chosen : {SaveFolder() + "/gone.dat", std::string(kPathPrompt)}) {
        const QuickResult result = slot.QuickSave(chosen);
        EXPECT_EQ(result.outcome, Outcome::Failed);
        EXPECT_EQ(result.message, "快速保存失败：找不到存档");
        EXPECT_EQ(ReadFile(App("tmp.back")), "precious");
    }
}

struct FailureCase
{
    const char* operation;
    std::errc error;
    const char* message;
};

class FailedRestore : public QuickSlotTest, public testing::WithParamInterface<FailureCase>
{
};

// Whatever step fails, the game's file is the one it was and nothing half-written stays.
TEST_P(FailedRestore, LeavesTheGameFileAsItWas)
{
    WriteFile(App("tmp.back"), "slot");
    FaultyServices faulty(files);
    faulty.FailEvery(GetParam().operation, GetParam().error);
    const QuickResult result = QuickSlot(faulty).Restore(LevelDat(), {9, 5, 7});
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.message, GetParam().message);
    EXPECT_EQ(ReadFile(LevelDat()), "world v1");
    EXPECT_EQ(Entries(SaveFolder()), std::vector<std::string>{"level.dat"});
}

INSTANTIATE_TEST_SUITE_P(Steps, FailedRestore,
                         testing::Values(FailureCase{"MakeDir", std::errc::permission_denied,
                                                     "覆盖失败：没有权限（游戏存档未改动）"},
                                         FailureCase{"CopyFile", std::errc::no_space_on_device,
                                                     "覆盖失败：磁盘空间不足（游戏存档未改动）"},
                                         FailureCase{"Rename", std::errc::io_error,
                                                     "覆盖失败：读写错误（游戏存档未改动）"}),
                         [](const testing::TestParamInfo<FailureCase>& failure) {
                             return std::string(failure.param.operation) + "_" +
                                    std::to_string(static_cast<int>(failure.param.error));
                         });

TEST_F(QuickSlotTest, FailedQuickSaveKeepsTheOldSlotWhole)
{
    WriteFile(App("tmp.back"), "old slot");
    FaultyServices faulty(files);
    faulty.FailEvery("Rename", std::errc::no_space_on_device);
    const QuickResult result = QuickSlot(faulty).QuickSave(LevelDat());
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(ReadFile(App("tmp.back")), "old slot");
    EXPECT_EQ(Entries(appDir.path()), std::vector<std::string>{"tmp.back"});
}

} // namespace
} // namespace saver::test
