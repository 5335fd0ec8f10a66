#include "AutoSaver.h"
#include "FaultyServices.h"
#include "Leftovers.h"
#include "QuickSlot.h"
#include "RunToEnd.h"
#include "SettableClock.h"
#include "SystemServices.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace saver::test {
namespace {

namespace fs = std::filesystem;

const std::string kGameFile = "the world as the game left it, long enough to be cut short";
const std::string kSlot = "the world as quick-saved";
const std::string kOtherPath = "/elsewhere/level.dat";

// One program folder and one save, laid out afresh for every case.
struct World
{
    World() : real(app.path()), faulty(real)
    {
        fs::create_directories(save);
        WriteFile(level, kGameFile);
        fs::create_directories(save + "/region");
        WriteFile(save + "/region/r.0.0.mca", std::string(100000, 'r'));
        WriteFile(app.path() + "/tmp.back", kSlot);
        WriteFile(Settings(), SettingsLine(level));
    }

    std::string Settings() const { return app.path() + "/saver.ini"; }
    static std::string SettingsLine(const std::string& path) { return path + "\r\n"; }

    TempDir app;
    TempDir game;
    std::string save = game.path() + "/World";
    std::string level = save + "/level.dat";
    SystemServices real;
    FaultyServices faulty;
    SettableClock clock{9, 0, 0};
    AutoSaver saver{faulty, clock};
};

// What an action claims, for comparing with what it did.
struct Claim
{
    bool success = false;
    std::string status;
};

struct Action
{
    const char* name;
    bool armBeforeLoad; // the failure is aimed at loading itself
    std::function<Claim(World&)> run;
    // Checks that the files agree with the claim; the general invariants are checked apart.
    std::function<void(World&, const Claim&)> check;
};

Claim RunWholeSave(World& w, AutoSaver::BackupStart start)
{
    if (!start.job)
        return {false, start.status ? start.status->lblShow2 : ""};
    const StatusTexts status = RunToEnd(w.saver, start.job);
    return {status.lblShow2.rfind("第1次 保存成功", 0) == 0, status.lblShow2};
}

Claim ScheduledTick(World& w, BackupKind kind)
{
    w.saver.SetKind(kind);
    w.saver.HScroll2_Change(1);
    w.saver.chk1_Click(true);
    w.clock.Set(9, 0, 59);
    AutoSaver::TickOutcome outcome = w.saver.Timer2_Timer();
    if (kind == BackupKind::WholeSave)
        return RunWholeSave(w, std::move(outcome.backup));
    const std::string status = outcome.backup.status->lblShow2;
    return {status == "9:0:59保存成功！", status};
}

void CheckWholeSave(World& w, const Claim& claim, const std::string& folder)
{
    const std::string backup = w.app.path() + "/" + folder + "/World";
    EXPECT_EQ(fs::exists(backup), claim.success) << claim.status;
    if (claim.success) {
        EXPECT_EQ(ReadFile(backup + "/level.dat"), kGameFile);
        EXPECT_EQ(ReadFile(backup + "/region/r.0.0.mca"), std::string(100000, 'r'));
    }
    EXPECT_EQ(w.saver.SaveCount(), claim.success ? 1 : 0);
}

const std::vector<Action>& Actions()
{
    static const std::vector<Action> actions{
        {"LoadAtStart", true,
         [](World& w) {
             w.saver.Form_Load();
             return Claim{w.saver.ChosenPath() == w.level, w.saver.ChosenPath()};
         },
         [](World& w, const Claim& claim) {
             if (!claim.success) {
                 EXPECT_EQ(w.saver.ChosenPath(), kPathPrompt);
             }
         }},
        {"ChoosePath", false,
         [](World& w) {
             const std::error_code error = w.saver.Command3_Click(kOtherPath);
             return Claim{!error, error.message()};
         },
         [](World& w, const Claim& claim) {
             EXPECT_EQ(ReadFile(w.Settings()),
                       World::SettingsLine(claim.success ? kOtherPath : w.level));
         }},
        {"QuickSave", false,
         [](World& w) {
             const QuickResult result = QuickSlot(w.faulty).QuickSave(w.saver.ChosenPath());
             return Claim{result.outcome == QuickResult::Outcome::Done, result.message};
         },
         [](World& w, const Claim& claim) {
             EXPECT_EQ(ReadFile(w.app.path() + "/tmp.back"), claim.success ? kGameFile : kSlot);
         }},
        {"Restore", false,
         [](World& w) {
             const QuickResult result =
                 QuickSlot(w.faulty).Restore(w.saver.ChosenPath(), {9, 0, 0});
             return Claim{result.outcome == QuickResult::Outcome::Done, result.message};
         },
         [](World& w, const Claim& claim) {
             EXPECT_EQ(ReadFile(w.level), claim.success ? kSlot : kGameFile);
             EXPECT_EQ(ReadFile(w.app.path() + "/tmp.back"), kSlot);
             if (claim.success) {
                 EXPECT_EQ(ReadFile(w.app.path() + "/【刷物】leveldat/09_00_00level.dat"),
                           kGameFile);
             }
         }},
        {"ManualWholeSave", false,
         [](World& w) { return RunWholeSave(w, w.saver.Command4_Click()); },
         [](World& w, const Claim& claim) { CheckWholeSave(w, claim, "【1】9_0_0"); }},
        {"ScheduledWholeSave", false,
         [](World& w) { return ScheduledTick(w, BackupKind::WholeSave); },
         [](World& w, const Claim& claim) { CheckWholeSave(w, claim, "【1】9_0_59"); }},
        {"ScheduledCharacterBackup", false,
         [](World& w) { return ScheduledTick(w, BackupKind::Character); },
         [](World& w, const Claim& claim) {
             const std::string backup = w.app.path() + "/【存档】leveldat/09_00_59level.dat";
             EXPECT_EQ(fs::exists(backup), claim.success) << claim.status;
             if (claim.success) {
                 EXPECT_EQ(ReadFile(backup), kGameFile);
             }
         }},
    };
    return actions;
}

// Files the program only ever writes whole, with the contents they may hold.
void CheckNothingIsHalfWritten(World& w)
{
    ASSERT_TRUE(fs::exists(w.level)) << "the game's file must never go missing";
    const std::string game = ReadFile(w.level);
    EXPECT_TRUE(game == kGameFile || game == kSlot);
    const std::string slot = ReadFile(w.app.path() + "/tmp.back");
    EXPECT_TRUE(slot == kSlot || slot == kGameFile);
    const std::string settings = ReadFile(w.Settings());
    EXPECT_TRUE(settings == World::SettingsLine(w.level) ||
                settings == World::SettingsLine(kOtherPath));
    for (const char* folder : {"/【存档】leveldat", "/【刷物】leveldat"}) {
        if (!fs::exists(w.app.path() + folder))
            continue;
        for (const auto& entry : fs::directory_iterator(w.app.path() + folder)) {
            if (!entry.path().string().ends_with(".saving")) { // see Leftovers
                EXPECT_EQ(ReadFile(entry.path()), kGameFile) << entry.path();
            }
        }
    }
}

// Temporary files and half-made backup folders.
std::vector<std::string> Leftovers(World& w)
{
    std::vector<std::string> found;
    for (const std::string& folder : {w.app.path(), w.save, w.app.path() + "/【存档】leveldat",
                                      w.app.path() + "/【刷物】leveldat"}) {
        if (!fs::exists(folder))
            continue;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.ends_with(".saving") || name == ".wholesave.partial")
                found.push_back(entry.path().string());
        }
    }
    return found;
}

struct Fault
{
    const char* name;
    std::errc error;
    bool shortWrite;
};

constexpr Fault kFaults[] = {{"DiskFull", std::errc::no_space_on_device, false},
                             {"NoPermission", std::errc::permission_denied, false},
                             {"IoError", std::errc::io_error, false},
                             {"ShortWrite", std::errc::no_space_on_device, true}};

TEST(FaultInjection, EveryOperationOfEveryActionCanFailSafely)
{
    int cases = 0;
    for (const Action& action : Actions()) {
        for (const auto mode : {FaultyServices::Mode::Once, FaultyServices::Mode::FromThenOn}) {
            for (const Fault& fault : kFaults) {
                for (int n = 1;; ++n) {
                    SCOPED_TRACE(std::string(action.name) + " " + fault.name + " at " +
                                 std::to_string(n) +
                                 (mode == FaultyServices::Mode::Once ? " once" : " onwards"));
                    World w;
                    const auto arm = [&] {
                        if (fault.shortWrite)
                            w.faulty.ShortWriteAt(n, mode);
                        else
                            w.faulty.FailAt(n, fault.error, mode);
                    };
                    if (action.armBeforeLoad)
                        arm();
                    w.saver.Form_Load();
                    if (!action.armBeforeLoad)
                        arm();
                    const Claim claim = action.run(w);
                    const bool reached = w.faulty.Operations() >= n;
                    w.faulty.Heal();
                    ++cases;

                    action.check(w, claim);
                    CheckNothingIsHalfWritten(w);
                    if (mode == FaultyServices::Mode::Once) {
                        EXPECT_EQ(Leftovers(w), std::vector<std::string>{});
                    } else {
                        // Nothing could be cleaned up while everything failed; the next
                        // start does it.
                        RemoveLeftovers(w.real);
                        EXPECT_EQ(Leftovers(w), std::vector<std::string>{});
                    }
                    if (!reached) {
                        EXPECT_TRUE(claim.success) << claim.status;
                        break;
                    }
                    if (testing::Test::HasFailure())
                        return;
                }
            }
        }
    }
    std::cout << "fault cases run: " << cases << "\n";
    EXPECT_GT(cases, 200);
}

} // namespace
} // namespace saver::test
