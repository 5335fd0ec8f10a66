#pragma once

#include "SettableClock.h"
#include "SystemServices.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace saver::test {

// A program folder and a game's save folder, both real and temporary, and a clock that
// stands still until a test moves it.
class EngineFixture : public testing::Test
{
protected:
    EngineFixture() : files(appDir.path())
    {
        std::filesystem::create_directories(SaveFolder());
        WriteFile(LevelDat(), "world v1");
    }

    std::string SaveFolder() const { return gameDir.path() + "/MyWorld"; }
    std::string LevelDat() const { return SaveFolder() + "/level.dat"; }
    std::string App(const std::string& name) const { return appDir.path() + "/" + name; }

    // Names of the entries of a folder, sorted, for comparing with what a test expects.
    static std::vector<std::string> Entries(const std::string& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir appDir;
    TempDir gameDir;
    SystemServices files;
    SettableClock clock{9, 5, 7};
};

} // namespace saver::test
