#include "AutoSaver.h"
#include "EngineFixture.h"
#include "FaultyServices.h"
#include "Leftovers.h"

#include <gtest/gtest.h>

namespace saver::test {
namespace {

struct StoredCase
{
    const char* name;
    std::string content;
    std::string caption;
};

class LoadingSettings : public EngineFixture, public testing::WithParamInterface<StoredCase>
{
};

TEST_P(LoadingSettings, ShowsTheFirstLineOrKeepsThePrompt)
{
    WriteFile(App("saver.ini"), GetParam().content);
    AutoSaver saver(files, clock);
    saver.Form_Load();
    EXPECT_EQ(saver.ChosenPath(), GetParam().caption);
}

std::string CaseName(const testing::TestParamInfo<StoredCase>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Contents, LoadingSettings,
    testing::Values(StoredCase{"CrLf", "/games/w/level.dat\r\nrest", "/games/w/level.dat"},
                    StoredCase{"LoneCr", "/games/w/level.dat\rrest", "/games/w/level.dat"},
                    StoredCase{"LoneLf", "/games/w/level.dat\nrest", "/games/w/level.dat"},
                    StoredCase{"NoLineEnd", "/games/w/level.dat", "/games/w/level.dat"},
                    StoredCase{"Chinese", "/游戏/我的世界/level.dat\r\n",
                               "/游戏/我的世界/level.dat"},
                    StoredCase{"EmptyFirstLine", "\r\n/games/w/level.dat\r\n", ""},
                    StoredCase{"NoCharacters", "", kPathPrompt},
                    StoredCase{"NotUtf8", "/games/\xff\xfe/level.dat\r\n", kPathPrompt},
                    StoredCase{"OverlongUtf8", "/games/\xc0\xaf/level.dat\r\n", kPathPrompt}),
    CaseName);

class ChoosingPath : public EngineFixture
{
};

TEST_F(ChoosingPath, NoSettingsFileKeepsThePrompt)
{
    AutoSaver saver(files, clock);
    saver.Form_Load();
    EXPECT_EQ(saver.ChosenPath(), kPathPrompt);
}

TEST_F(ChoosingPath, IsStoredWithCrLfAndLoadedByTheNextRun)
{
    {
        AutoSaver saver(files, clock);
        saver.Form_Load();
        WriteFile(App("saver.ini"), "/old/level.dat and a much longer first line\r\n");
        ASSERT_FALSE(saver.Command3_Click(LevelDat()));
        EXPECT_EQ(saver.ChosenPath(), LevelDat());
    }
    EXPECT_EQ(ReadFile(App("saver.ini")), LevelDat() + "\r\n");
    AutoSaver nextRun(files, clock);
    nextRun.Form_Load();
    EXPECT_EQ(nextRun.ChosenPath(), LevelDat());
}

TEST_F(ChoosingPath, PathWithLineEndIsRefusedAndChangesNothing)
{
    WriteFile(App("saver.ini"), "/old/level.dat\r\n");
    AutoSaver saver(files, clock);
    saver.Form_Load();
    EXPECT_EQ(saver.Command3_Click("/games/a\nb/level.dat"), std::errc::invalid_argument);
    EXPECT_EQ(saver.ChosenPath(), "/old/level.dat");
    EXPECT_EQ(ReadFile(App("saver.ini")), "/old/level.dat\r\n");
}

TEST_F(ChoosingPath, FailedWriteKeepsTheOldSettingsWhole)
{
    WriteFile(App("saver.ini"), "/old/level.dat\r\n");
    FaultyServices faulty(files);
    AutoSaver saver(faulty, clock);
    saver.Form_Load();
    for (const char* operation : {"WriteOneLine", "Rename"}) {
        SCOPED_TRACE(operation);
        faulty.FailEvery(operation, std::errc::no_space_on_device);
        EXPECT_EQ(saver.Command3_Click(LevelDat()), std::errc::no_space_on_device);
        EXPECT_EQ(ReadFile(App("saver.ini")), "/old/level.dat\r\n");
        EXPECT_EQ(Entries(appDir.path()), std::vector<std::string>{"saver.ini"});
        faulty.Heal();
    }
}

TEST_F(ChoosingPath, LeftoversOfAnInterruptedRunAreRemovedAtStart)
{
    WriteFile(App("saver.ini"), "/old/level.dat\r\n");
    WriteFile(App("saver.ini.saving"), "/half");
    WriteFile(App("tmp.back.saving"), "half a slot");
    std::filesystem::create_directories(App(".wholesave.partial/MyWorld"));
    RemoveLeftovers(files);
    EXPECT_EQ(Entries(appDir.path()), std::vector<std::string>{"saver.ini"});
}

} // namespace
} // namespace saver::test
