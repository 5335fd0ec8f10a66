// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AutoSaver.h"
#include "BackupCatalogue.h"
#include "FaultyServices.h"
#include "FolderTrees.h"
#include "HookedServices.h"
#include "QuickSlot.h"
#include "SafeFileOps.h"
#include "SettableClock.h"
#include "StatusTexts.h"
#include "SystemServices.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace saver::test {

inline const std::string kGame = "the world as the game left it";
inline const std::string kSlot = "the world as it was quick-saved a while ago";
inline const std::string kRegion(3000, 'r');
inline const std::string kOtherPath = "/elsewhere/level.dat";

// A game's save, game/World, and the program's folder, `app`, with a quick-save slot and the
// settings that choose the save's level.dat, in a temporary folder. The program reaches them
// through services that fail when told to, over hooks, and a clock standing at 9:00:00.
struct World
{
    explicit World(std::string appFolder = "app") : app(std::move(appFolder))
    {
        WriteTree(root.path(), Start());
        // Written an hour ago, so that a later backup may share them with an earlier one.
        const auto anHourAgo = std::chrono::file_clock::now() - std::chrono::hours(1);
        for (const auto& [name, bytes] : Start())
            std::filesystem::last_write_time(NativePath(Path(name)), anHourAgo);
        saver.Load();
    }

    std::string Path(const std::string& name) const { return root.path() + "/" + name; }
    std::string Level() const { return Path("game/World/level.dat"); }
    // The files there are at the start: name below the root, content.
    std::map<std::string, std::string> Start() const
    {
        return {{"game/World/level.dat", kGame},
                {"game/World/region/r.0.0.mca", kRegion},
                {app + "/tmp.back", kSlot},
                {app + "/saver.ini", Level() + "\r\n"}};
    }
    // Every file below the root, with its content.
    Tree Files() const { return TreeOf(root.path()); }
    std::string Read(const std::string& name) const { return Files()[name]; }
    // The backup at `name` as the backup list finds it.
    BackupEntry Listed(const std::string& name)
    {
        for (BackupEntry& entry : ListBackups(files))
            if (entry.path == Path(name))
                return entry;
        return {};
    }

    // Runs a whole-save job here and hands it back, as the windows do; what the player reads.
    StatusTexts RunToEnd(const AutoSaver::BackupStart& start)
    {
        return StatusOf(start.job ? saver.FinishWholeSave(*start.job, start.job->Run({}, {}))
                                  : start.outcome);
    }
    // Ticks once a second for `seconds`, running the backups that come due; what they showed.
    std::vector<StatusTexts> Ticks(int seconds)
    {
        std::vector<StatusTexts> shown;
        for (int i = 0; i < seconds; ++i) {
            clock.Advance(1);
            if (const auto backup = saver.Tick().backup)
                shown.push_back(RunToEnd(*backup));
        }
        return shown;
    }

    // Does what the player does by name, `arm` setting failures where it starts; what they read.
    std::string Do(const std::string& action, const std::function<void()>& arm)
    {
        if (action == "CharacterBackup") {
            saver.SetKind(BackupKind::Character);
            saver.SetInterval(1);
            saver.SetAutoBackup(true);
        }
        arm();
        if (action == "QuickSave")
            return QuickTextsOf(QuickSlot(files).QuickSave(Level())).message;
        if (action == "Restore")
            return QuickTextsOf(QuickSlot(files).Restore(Level(), {9, 0, 0})).message;
        if (action == "WholeSave")
            return RunToEnd(saver.StartWholeSave()).text;
        if (action == "ChoosePath") {
            const std::error_code error = saver.ChooseSave(kOtherPath);
            return error ? FailureReason(error) : "";
        }
        return Ticks(59).at(0).text;
    }

    TempDir root;
    std::string app;
    SystemServices real{Path(app)};
    HookedServices hooked{real};
    FaultyServices files{hooked};
    SettableClock clock{9, 0, 0};
    AutoSaver saver{files, clock};
};

inline constexpr const char* kStamp = "2026-12-07 01_02_03";

// A world with the backup 【1】9_5_7, for restores to take back what was `before` in the save.
struct BackedUpWorld : World
{
    std::string Kept() const { return Path(std::string("app/【恢复前】") + kStamp + "/World"); }
    // Nothing of a restore is left but the save and, after one that went through, what it
    // replaced in its 【恢复前】 folder.
    void ExpectNothingLeftOver(bool wentThrough)
    {
        EXPECT_EQ(Names(Path("game")), std::vector<std::string>{"World"});
        std::vector<std::string> expected = {"saver.ini", "tmp.back", "【1】9_5_7"};
        if (wentThrough)
            expected.push_back(std::string("【恢复前】") + kStamp);
        EXPECT_EQ(Names(Path("app")), expected);
    }
    // Back to where each run starts.
    void Reset()
    {
        for (const auto& entry : std::filesystem::directory_iterator(NativePath(Path("game"))))
            std::filesystem::remove_all(entry.path());
        std::filesystem::remove_all(NativePath(FolderOf(Kept())));
        WriteTree(save, before);
        std::filesystem::remove(NativePath(backup + "/.pinned"));
    }

    const std::string backup = Path("app/【1】9_5_7");
    const std::string save = Path("game/World");
    BackupHolds& holds = saver.Holds();
    Tree before;
};

} // namespace saver::test
