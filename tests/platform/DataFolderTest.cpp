// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataFolder.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

namespace saver {
namespace {

namespace fs = std::filesystem;

// Chosen as "nobody", for whom permission bits count. The user's folder is made, with its
// missing parents, only when it is the one chosen, and what it holds is kept.
TEST(DataFolder, ChoosesWritableExecutableFolderElseUserFolder)
{
    // The executable's folder, its mode and whether a package installed the program there; the
    // user's folder: "new", "made" (holding a file), "locked" (its parent read-only) or ""
    // (unknown); then the folder chosen and the error.
    for (const auto& [exe, mode, installed, user, chosen, error] :
         {std::tuple{"opt", 0777, false, "new", "opt", 0},
          {"opt", 0777, false, "made", "opt", 0},
          {"opt", 0777, true, "new", "user", 0},
          {"gone", 0777, false, "made", "user", 0},
          {"opt", 0555, false, "new", "user", 0},
          {"opt", 0555, false, "locked", "", EACCES},
          {"opt", 0555, false, "", "", ENOENT}}) {
        const test::TempDir root;
        const std::string executableDir = root.path() + "/" + exe, home = root.path() + "/home";
        const std::string userDir = home + "/.local/share/mcsaver";
        fs::create_directories(root.path() + "/opt");
        fs::create_directories(*user == 'm' ? userDir : home);
        std::error_code missing;
        for (const std::string& folder : {root.path(), home, userDir})
            fs::permissions(folder, fs::perms::all, missing);
        if (*user == 'm')
            test::WriteFile(userDir + "/saver.ini", "kept");
        fs::permissions(root.path() + "/opt", fs::perms(mode));
        fs::permissions(home, fs::perms(*user == 'l' ? 0555 : 0777));
        const int outcome = test::RunUnprivileged([&, user = user, installed = installed] {
            const DataFolder folder = ChooseDataFolder(executableDir, *user ? userDir : "",
                                                       installed ? executableDir + "/" : home);
            return (folder.path == executableDir) * 1000 + (folder.path == userDir) * 2000 +
                   folder.error.value();
        });
        EXPECT_EQ(outcome, (*chosen == 'o') * 1000 + (*chosen == 'u') * 2000 + error)
            << exe << mode << installed << user;
        EXPECT_EQ(fs::exists(userDir), *chosen == 'u' || *user == 'm');
        EXPECT_EQ(fs::exists(userDir + "/saver.ini"), *user == 'm');
        EXPECT_TRUE(!fs::exists(executableDir) || fs::is_empty(executableDir));
    }
}

} // namespace
} // namespace saver
