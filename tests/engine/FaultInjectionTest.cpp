// SPDX-License-Identifier: GPL-3.0-or-later
#include "Leftovers.h"
#include "World.h"

#include <gtest/gtest.h>

namespace saver::test {
namespace {

// What the user is told when an action went through, and when it failed (the reason goes in
// place of the '%'); the count of whole-save backups it makes, a backup that the failure of a
// later step leaves whole, and the files it writes.
struct Action
{
    std::string name;
    std::string done;
    std::string failed;
    int count;
    std::string kept;
    std::map<std::string, std::string> writes;
};

// Written with the time it was written at.
const std::string kWhenever = "whenever";
const std::string kSafetyCopy = "app/【刷物】leveldat/09_00_00level.dat";
// clang-format off
const Action kActions[]{
    {"QuickSave", "", "快速保存失败：%（原有的快速存档未改动）", 0, "", {{"app/tmp.back", kGame}}},
    {"Restore", "", "覆盖失败：%（游戏存档未改动）", 0, kSafetyCopy,
     {{"game/World/level.dat", kSlot}, {kSafetyCopy, kGame}}},
    {"CharacterBackup", "9:0:59保存成功！", "保存失败：%", 0, "app/options.ini",
     {{"app/【存档】leveldat/09_00_59level.dat", kGame},
      {"app/options.ini", "interval=1;kind=character;keep=0;keepMB=0;pruneManual=0;skipUnchanged=0;worldClosed=1\r\n"}}},
    {"WholeSave", "第1次 保存成功！（新增 3.0 KB）", "保存失败：%", 1, "",
     {{"app/【1】9_0_0/World/level.dat", kGame}, {"app/【1】9_0_0/.manual", "\r\n"},
      {"app/【1】9_0_0/.made", kWhenever}, {"app/【1】9_0_0/.manifest", kWhenever},
      {"app/【1】9_0_0/World/region/r.0.0.mca", kRegion}}},
    {"ChoosePath", "", "%", 0, "", {{"app/saver.ini", SystemPath(kOtherPath) + "\r\n"}}}};
// clang-format on

const std::pair<std::errc, const char*> kFaults[]{{std::errc::no_space_on_device, "磁盘空间不足"},
                                                  {std::errc::permission_denied, "没有权限"},
                                                  {std::errc::read_only_file_system, "没有权限"},
                                                  {std::errc::io_error, "读写错误"}};

// Whichever operation fails, once or from then on: the user is told why, each file is the
// old one whole or the new one whole, and no temporary file stays behind.
TEST(FaultInjection, EveryOperationOfEveryActionCanFail)
{
    for (const Action& action : kActions) {
        for (const bool onwards : {false, true}) {
            for (const auto& [error, reason] : kFaults) {
                for (int n = 1;; ++n) {
                    SCOPED_TRACE(action.name + " fails at " + std::to_string(n) +
                                 (onwards ? " onwards: " : ": ") + reason);
                    World w;
                    const std::string told = w.Do(
                        action.name, [&, fault = error] { w.files.FailAt(n, fault, onwards); });
                    const bool failed = w.files.Operations() >= n;
                    std::string failure = action.failed;
                    failure.replace(failure.find('%'), 1, reason);
                    EXPECT_EQ(told, failed ? failure : action.done);
                    EXPECT_EQ(w.saver.StartWholeSave().outcome.number,
                              (failed ? 0 : action.count) + 1);
                    // While everything failed nothing could be cleaned up; the next start does.
                    if (onwards)
                        RemoveLeftovers(w.real);
                    const auto files = w.Files();
                    auto expected = w.Start();
                    for (const auto& [name, bytes] : action.writes) {
                        if (!failed || (name == action.kept && files.contains(name)))
                            expected[name] =
                                bytes == kWhenever && files.contains(name) ? files.at(name) : bytes;
                    }
                    EXPECT_EQ(files, expected);
                    if (!failed || testing::Test::HasFailure())
                        break;
                }
            }
        }
    }
}

} // namespace
} // namespace saver::test
