#include "AutoSaver.h"
#include "EngineFixture.h"
#include "FaultyServices.h"
#include "ForwardingServices.h"
#include "QuickSlot.h"
#include "RunToEnd.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace saver::test {
namespace {

namespace fs = std::filesystem;

class HonestReport : public EngineFixture
{
protected:
    std::string Message(const QuickResult& result) { return result.message; }
};

TEST_F(HonestReport, RestoreThroughALinkedLevelDatReachesTheGameFile)
{
    fs::create_directories(gameDir.path() + "/Linked");
    const std::string link = gameDir.path() + "/Linked/level.dat";
    fs::create_symlink(LevelDat(), link);
    QuickSlot slot(files);
    ASSERT_EQ(slot.QuickSave(link).outcome, QuickResult::Outcome::Done);
    WriteFile(LevelDat(), "world v2");
    ASSERT_EQ(slot.Restore(link, {9, 5, 7}).outcome, QuickResult::Outcome::Done);
    EXPECT_EQ(ReadFile(LevelDat()), "world v1");
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST_F(HonestReport, QuickSaveNamesWhatIsInTheWay)
{
    QuickSlot slot(files);
    fs::create_directory(App("tmp.back"));
    EXPECT_EQ(Message(slot.QuickSave(LevelDat())),
              "快速保存失败：" + App("tmp.back") + " 是一个文件夹");
    EXPECT_EQ(Message(slot.Restore(LevelDat(), {})),
              "覆盖失败：" + App("tmp.back") + " 是一个文件夹（游戏存档未改动）");
    fs::remove_all(appDir.path());
    EXPECT_EQ(Message(slot.QuickSave(LevelDat())),
              "快速保存失败：找不到程序的数据文件夹 " + appDir.path());
}

// Appends to the source of the first `changes` copies while they are read, as a game that
// rewrites level.dat in place would.
class ChangingSource final : public ForwardingServices
{
public:
    ChangingSource(FileServices& inner, int changes) : ForwardingServices(inner), m_left(changes) {}
    std::error_code CopyFile(const std::string& from, const std::string& to) override
    {
        const std::error_code error = m_inner.CopyFile(from, to);
        if (m_left-- > 0)
            WriteFile(from, ReadFile(from) + "+");
        return error;
    }

private:
    int m_left;
};

TEST_F(HonestReport, QuickSaveStoresOnlyASteadyCopy)
{
    WriteFile(App("tmp.back"), "old slot");
    ChangingSource twice(files, 2);
    EXPECT_EQ(QuickSlot(twice).QuickSave(LevelDat()).outcome, QuickResult::Outcome::Done);
    EXPECT_EQ(ReadFile(App("tmp.back")), "world v1++");

    ChangingSource always(files, 1000);
    EXPECT_EQ(Message(QuickSlot(always).QuickSave(LevelDat())),
              "快速保存失败：存档正在被写入（原有的快速存档未改动）");
    EXPECT_EQ(ReadFile(App("tmp.back")), "world v1++");
    EXPECT_EQ(Entries(appDir.path()), std::vector<std::string>{"tmp.back"});
}

struct StoredSettings
{
    const char* name;
    std::string bytes;
    bool usable;
};

class Settings : public HonestReport, public testing::WithParamInterface<StoredSettings>
{
};

TEST_P(Settings, AreReadOrNamedAsUnusable)
{
    const std::string bytes = GetParam().bytes;
    WriteFile(App("saver.ini"), bytes);
    AutoSaver saver(files, clock);
    const std::optional<StatusTexts> status = saver.Form_Load();
    EXPECT_EQ(status.has_value(), !GetParam().usable);
    EXPECT_EQ(saver.ChosenPath(), GetParam().usable ? "/g/World/level.dat" : kPathPrompt);
    EXPECT_EQ(ReadFile(App("saver.ini")), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Settings,
    testing::Values(StoredSettings{"Plain", "/g/World/level.dat\r\n", true},
                    StoredSettings{"ByteOrderMark", "\xEF\xBB\xBF/g/World/level.dat\r\n", true},
                    StoredSettings{"NotUtf8", "/g/W\xFF\xFEorld/level.dat\r\n", false},
                    StoredSettings{"Nul", std::string("/g/\0/level.dat\r\n", 17), false},
                    StoredSettings{"Megabyte", std::string(1 << 20, 'a'), false}),
    [](const auto& info) { return info.param.name; });

TEST_F(HonestReport, PartialFolderThatCannotBeRemovedIsNamed)
{
    WriteFile(App("saver.ini"), LevelDat() + "\r\n");
    fs::create_directories(App(".wholesave.partial/Old"));
    FaultyServices faulty(files);
    faulty.FailEvery("RemoveFolder", std::errc::permission_denied);
    AutoSaver saver(faulty, clock);
    saver.Form_Load();
    EXPECT_EQ(RunToEnd(saver, saver.Command4_Click().job).lblShow2,
              "保存失败：无法删除 " + App(".wholesave.partial") + "（没有权限）");
}

TEST_F(HonestReport, ScheduledBackupDueDuringAnotherIsMadeRightAfter)
{
    WriteFile(App("saver.ini"), LevelDat() + "\r\n");
    AutoSaver saver(files, clock);
    saver.Form_Load();
    saver.HScroll2_Change(1);
    saver.chk1_Click(true);
    const std::shared_ptr<WholeSaveJob> manual = saver.Command4_Click().job;
    for (int second = 0; second < 60; ++second) {
        clock.Advance(1);
        const AutoSaver::BackupStart tick = saver.Timer2_Timer().backup;
        EXPECT_FALSE(tick.job || tick.status) << "second " << second;
    }
    EXPECT_FALSE(saver.TakeWaitingBackup().job);
    EXPECT_THAT(RunToEnd(saver, manual).lblShow2, testing::StartsWith("第1次 保存成功！"));
    const std::shared_ptr<WholeSaveJob> waiting = saver.TakeWaitingBackup().job;
    ASSERT_TRUE(waiting);
    EXPECT_THAT(RunToEnd(saver, waiting).lblShow2, testing::StartsWith("第2次 保存成功！"));
    EXPECT_FALSE(saver.TakeWaitingBackup().job);
}

} // namespace
} // namespace saver::test
