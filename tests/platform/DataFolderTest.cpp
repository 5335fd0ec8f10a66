#include "DataFolder.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <ostream>
#include <string>

namespace saver {
namespace {

namespace fs = std::filesystem;

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::owner_exec |
                                fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec;

enum class Chosen { ExecutableDir, UserDir, Nothing, SomewhereElse };

std::ostream& operator<<(std::ostream& out, Chosen chosen)
{
    switch (chosen) {
    case Chosen::ExecutableDir:
        return out << "the executable's folder";
    case Chosen::UserDir:
        return out << "the user's data folder";
    case Chosen::Nothing:
        return out << "no folder";
    case Chosen::SomewhereElse:
        return out << "a folder it was not given";
    }
    return out << "?";
}

// What the choice comes to, in a form that crosses a pipe from a child process.
struct Outcome
{
    Chosen chosen = Chosen::Nothing;
    int error = 0;
};

// Permission bits do not stop root, and these tests are mostly run as root: the choice is
// made in a child that has become "nobody". Run by anyone else, the bits already apply.
Outcome ChooseAsUnprivileged(const std::string& executableDir, const std::string& userDataDir)
{
    const auto choose = [&] {
        const DataFolder folder = ChooseDataFolder(executableDir, userDataDir);
        Outcome outcome{Chosen::SomewhereElse, folder.error.value()};
        if (folder.path.empty()) {
            outcome.chosen = Chosen::Nothing;
        } else if (folder.path == executableDir) {
            outcome.chosen = Chosen::ExecutableDir;
        } else if (folder.path == userDataDir) {
            outcome.chosen = Chosen::UserDir;
        }
        return outcome;
    };
    if (!test::IsRoot()) {
        return choose();
    }
    std::array<int, 2> pipeEnds{};
    if (::pipe(pipeEnds.data()) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return {};
    }
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(100);
        }
        const Outcome outcome = choose();
        const bool sent = ::write(pipeEnds[1], &outcome, sizeof outcome) == sizeof outcome;
        ::_exit(sent ? 0 : 101);
    }
    ::close(pipeEnds[1]);
    Outcome outcome;
    const ssize_t received = ::read(pipeEnds[0], &outcome, sizeof outcome);
    ::close(pipeEnds[0]);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    EXPECT_EQ(received, static_cast<ssize_t>(sizeof outcome));
    return outcome;
}

enum class UserDir { Missing, Present, UnderReadOnlyParent, NotGiven };

struct ChoiceCase
{
    const char* name;
    bool executableDirWritable;
    UserDir userDir;
    Chosen expected;
    std::errc error;
};

class DataFolderTest : public ::testing::TestWithParam<ChoiceCase>
{
protected:
    DataFolderTest()
    {
        // "nobody" must reach into the folders the test makes.
        fs::permissions(m_root.path(), fs::perms::all);
        fs::create_directories(ExecutableDir());
        fs::create_directories(UserParent());
        fs::permissions(ExecutableDir(), fs::perms::all);
        fs::permissions(m_root.path() + "/home", fs::perms::all);
        fs::permissions(UserParent(), fs::perms::all);
    }

    std::string ExecutableDir() const { return m_root.path() + "/opt/saver"; }
    // Two levels missing below it, as ~/.local/share/mcsaver on a fresh account.
    std::string UserParent() const { return m_root.path() + "/home"; }
    std::string UserDataDir() const { return UserParent() + "/.local/share/mcsaver"; }

    test::TempDir m_root;
};

TEST_P(DataFolderTest, Chooses)
{
    const ChoiceCase& tested = GetParam();
    if (!tested.executableDirWritable) {
        fs::permissions(ExecutableDir(), kReadOnly);
    }
    switch (tested.userDir) {
    case UserDir::Present:
        fs::create_directories(UserDataDir());
        fs::permissions(UserDataDir(), fs::perms::all);
        test::WriteFile(UserDataDir() + "/saver.ini", "/games/world/level.dat\r\n");
        break;
    case UserDir::UnderReadOnlyParent:
        fs::permissions(UserParent(), kReadOnly);
        break;
    case UserDir::Missing:
    case UserDir::NotGiven:
        break;
    }
    const std::string userDataDir = tested.userDir == UserDir::NotGiven ? "" : UserDataDir();

    const Outcome outcome = ChooseAsUnprivileged(ExecutableDir(), userDataDir);

    EXPECT_EQ(outcome.chosen, tested.expected);
    EXPECT_EQ(outcome.error, static_cast<int>(tested.error));
    // The user's folder is made only when it is the one chosen.
    EXPECT_EQ(fs::is_directory(UserDataDir()),
              tested.expected == Chosen::UserDir || tested.userDir == UserDir::Present);
    if (tested.userDir == UserDir::Present) {
        EXPECT_EQ(test::ReadFile(UserDataDir() + "/saver.ini"), "/games/world/level.dat\r\n");
    }
    EXPECT_TRUE(fs::is_empty(ExecutableDir()));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, DataFolderTest,
    ::testing::Values(
        ChoiceCase{"WritableExeDir", true, UserDir::Missing, Chosen::ExecutableDir, {}},
        ChoiceCase{"WritableExeDirBeatsUserDir", true, UserDir::Present, Chosen::ExecutableDir, {}},
        ChoiceCase{"ReadOnlyExeDirMakesUserDir", false, UserDir::Missing, Chosen::UserDir, {}},
        ChoiceCase{"ReadOnlyExeDirKeepsUserDir", false, UserDir::Present, Chosen::UserDir, {}},
        ChoiceCase{"UserDirCannotBeMade", false, UserDir::UnderReadOnlyParent, Chosen::Nothing,
                   std::errc::permission_denied},
        ChoiceCase{"NoUserDirKnown", false, UserDir::NotGiven, Chosen::Nothing,
                   std::errc::no_such_file_or_directory}),
    test::CaseName{});

TEST(DataFolder, MissingExecutableDirFallsBackToUserDir)
{
    test::TempDir root;
    const DataFolder folder = ChooseDataFolder(root.path() + "/gone", root.path() + "/user");
    EXPECT_EQ(folder.path, root.path() + "/user");
    EXPECT_FALSE(folder.error);
    EXPECT_TRUE(fs::is_directory(root.path() + "/user"));
}

// Root can write into /usr/bin; backups must still not land beside an installed program.
TEST(DataFolder, InstalledFolderIsNeverUsedEvenWhenWritable)
{
    test::TempDir root;
    const std::string bin = root.path() + "/usr/bin";
    fs::create_directories(bin);
    const DataFolder folder = ChooseDataFolder(bin, root.path() + "/user", bin + "/");
    EXPECT_EQ(folder.path, root.path() + "/user");
    EXPECT_EQ(ChooseDataFolder(bin, root.path() + "/user", root.path()).path, bin);
}

} // namespace
} // namespace saver
