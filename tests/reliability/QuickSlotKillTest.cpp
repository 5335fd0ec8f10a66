#include "AutoSaver.h"
#include "Leftovers.h"
#include "QuickSlot.h"
#include "SafeFileOps.h"
#include "SaveSequence.h"
#include "SettableClock.h"
#include "SystemServices.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace saver::test {
namespace {

namespace fs = std::filesystem;
using Stopwatch = std::chrono::steady_clock;

constexpr int kKills = 1000;
constexpr auto kTimeLimit = std::chrono::seconds(60);
// At most this many progress bytes are waited for before the busy wait; a few steps in,
// the child no longer spends its time starting up.
constexpr int kMostStepsWaited = 2;
// The busy wait is 2^k iterations long with k chosen evenly, so that short and long steps
// alike are hit in the middle as well as at their start.
constexpr int kMostSpinBits = 24;

constexpr int kChildStepFailed = 3;
constexpr int kChildStepFailedUntold = 4;
constexpr int kChildLostParent = 5;

const char* const kSeedVariable = "SAVER_KILL_SEED";

std::uint64_t KillSeed()
{
    if (const char* given = std::getenv(kSeedVariable); given != nullptr && *given != '\0')
        return std::strtoull(given, nullptr, 10);
    return (std::uint64_t{std::random_device{}()} << 32) | std::random_device{}();
}

void Spin(std::uint64_t iterations)
{
    volatile std::uint64_t sink = 0;
    for (std::uint64_t i = 0; i < iterations; ++i)
        sink = sink + i;
}

// Reads one byte; false at the end of the pipe, when the child is gone.
bool ReadProgress(int fd)
{
    char byte = 0;
    for (;;) {
        const ssize_t got = ::read(fd, &byte, 1);
        if (got >= 0)
            return got == 1;
        if (errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "reading progress");
    }
}

// Reads until the child's end of the pipe is closed, counting the bytes.
std::uint64_t DrainProgress(int fd)
{
    std::uint64_t count = 0;
    std::array<char, 4096> bytes{};
    for (;;) {
        const ssize_t got = ::read(fd, bytes.data(), bytes.size());
        if (got == 0)
            return count;
        if (got > 0)
            count += static_cast<std::uint64_t>(got);
        else if (errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "draining progress");
    }
}

// Runs the sequence from step `first` on, one progress byte after each step, until killed.
[[noreturn]] void RunChild(const SaveSequence& sequence, std::uint64_t first, int progress)
{
    SystemServices files(sequence.AppDir());
    for (std::uint64_t n = first;; ++n) {
        const std::string failure = sequence.Run(n, files);
        if (!failure.empty()) {
            const std::string line = "step " + std::to_string(n) + ": " + failure + "\n";
            const bool told = ::write(STDERR_FILENO, line.data(), line.size()) ==
                              static_cast<ssize_t>(line.size());
            ::_exit(told ? kChildStepFailed : kChildStepFailedUntold);
        }
        const char tick = 1;
        if (::write(progress, &tick, 1) != 1)
            ::_exit(kChildLostParent);
    }
}

// The whole file, or nothing when there is none. Read in one go rather than byte by byte
// as ReadFile does: several hundred kilobytes are read after every kill.
std::optional<std::string> ReadWhole(const std::string& path)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error == std::errc::no_such_file_or_directory)
        return std::nullopt;
    if (error)
        throw std::system_error(error, "size of " + path);
    std::string bytes(size, '\0');
    std::ifstream file(path, std::ios::binary);
    if (!file.read(bytes.data(), static_cast<std::streamsize>(size)))
        throw std::runtime_error("cannot read " + path);
    return bytes;
}

std::string StatusText(int status)
{
    if (WIFEXITED(status))
        return "exited with " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

std::string Describe(const std::string& path)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return path + " (" + (error ? error.message() : std::to_string(size) + " bytes") + ")";
}

struct Tally
{
    int kills = 0;
    std::uint64_t steps = 0;
    std::map<std::uint64_t, int> killsInStep; // by step of the round
    std::map<std::string, int> leftovers;     // temporary files found after a kill
    int safetyCopies = 0;
    std::vector<std::string> tornSafetyCopies;
};

class QuickSlotKillTest : public testing::Test
{
protected:
    QuickSlotKillTest() : m_sequence(m_root.path() + "/app", m_root.path() + "/game/世界")
    {
        fs::create_directory(m_sequence.AppDir());
        fs::create_directories(m_sequence.GameDir());
        m_sequence.Prepare();
    }

    // Forks a child that runs the sequence from where the last one got to, kills it at a
    // random moment and returns how many steps it reported done.
    std::uint64_t RunAndKill(std::mt19937_64& random)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw std::system_error(errno, std::generic_category(), "pipe2");
        // This process runs no other thread, so the child may carry on without exec.
        const pid_t child = ::fork();
        if (child < 0)
            throw std::system_error(errno, std::generic_category(), "fork");
        if (child == 0) {
            ::close(fds[0]);
            RunChild(m_sequence, m_tally.steps, fds[1]);
        }
        ::close(fds[1]);

        std::uint64_t done = 0;
        const auto waited = std::uniform_int_distribution<int>(0, kMostStepsWaited)(random);
        for (int i = 0; i < waited && ReadProgress(fds[0]); ++i)
            ++done;
        const int bits = std::uniform_int_distribution<int>(0, kMostSpinBits)(random);
        const std::uint64_t most = (std::uint64_t{1} << bits) - 1;
        Spin(std::uniform_int_distribution<std::uint64_t>(0, most)(random));

        if (::kill(child, SIGKILL) != 0)
            throw std::system_error(errno, std::generic_category(), "kill");
        int status = 0;
        while (::waitpid(child, &status, 0) < 0) {
            if (errno != EINTR)
                throw std::system_error(errno, std::generic_category(), "waitpid");
        }
        done += DrainProgress(fds[0]);
        ::close(fds[0]);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the child " << StatusText(status) << " after step " << m_tally.steps + done;
        return done;
    }

    // What must hold after a kill, with `done` steps known to have gone through: each file
    // is whole and is either what it was before the step in progress or what it is after.
    void CheckAfterKill()
    {
        const std::uint64_t done = m_tally.steps;
        const auto levelBytes = ReadWhole(m_sequence.LevelPath());
        ASSERT_TRUE(levelBytes) << "level.dat is gone after step " << done;
        const auto level = SaveSequence::ContentIndex(*levelBytes);
        ASSERT_TRUE(level) << "torn level.dat after step " << done << ": "
                           << Describe(m_sequence.LevelPath());
        EXPECT_TRUE(*level == m_sequence.LevelAfter(done) ||
                    *level == m_sequence.LevelAfter(done + 1))
            << "level.dat holds content " << *level << " after step " << done;

        if (const auto slotBytes = ReadWhole(m_sequence.SlotPath())) {
            const auto slot = SaveSequence::ContentIndex(*slotBytes);
            ASSERT_TRUE(slot) << "torn tmp.back after step " << done << ": "
                              << Describe(m_sequence.SlotPath());
            EXPECT_TRUE(slot == m_sequence.SlotAfter(done) ||
                        slot == m_sequence.SlotAfter(done + 1))
                << "tmp.back holds content " << *slot << " after step " << done;
        } else {
            EXPECT_FALSE(m_sequence.SlotAfter(done)) << "tmp.back is gone after step " << done;
        }

        const std::optional<std::string> settings = ReadWhole(m_sequence.SettingsPath());
        EXPECT_TRUE(settings == m_sequence.SettingsAfter(done) ||
                    settings == m_sequence.SettingsAfter(done + 1))
            << "saver.ini after step " << done << " holds "
            << (settings ? "\"" + *settings + "\"" : std::string("nothing"));

        CheckFolder(m_sequence.AppDir(), {"tmp.back", "tmp.back.saving", "saver.ini",
                                          "saver.ini.saving", "【刷物】leveldat"});
        CheckFolder(m_sequence.GameDir(), {"level.dat", "level.dat.saving", "level.dat.game"});
        CheckSafetyCopies();
    }

    // Only the files the program and the game write may turn up; leftovers are counted.
    void CheckFolder(const std::string& folder, const std::set<std::string>& allowed)
    {
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(allowed.count(name) == 1)
                << "unexpected " << entry.path() << " after step " << m_tally.steps;
            if (name.ends_with(".saving"))
                ++m_tally.leftovers[name];
        }
    }

    // Safety copies are never touched once made, so each is looked at once.
    void CheckSafetyCopies()
    {
        const std::string folder = m_sequence.SafetyFolder();
        if (!fs::exists(folder))
            return;
        const std::string temporary = fs::path(TemporaryInFolder(folder)).filename().string();
        static const std::regex kName(R"(^(\d\d_\d\d_\d\d)level( \([0-9]+\))?\.dat$)");
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name == temporary) {
                ++m_tally.leftovers["【刷物】leveldat/" + name];
                continue;
            }
            if (!m_checkedSafetyCopies.insert(name).second)
                continue;
            ++m_tally.safetyCopies;
            std::smatch match;
            ASSERT_TRUE(std::regex_match(name, match, kName)) << "unexpected safety copy " << name;
            const auto round = SaveSequence::RoundOfStamp(match[1].str());
            ASSERT_TRUE(round) << name;
            const auto bytes = ReadWhole(entry.path().string());
            ASSERT_TRUE(bytes) << name;
            const auto content = SaveSequence::ContentIndex(*bytes);
            if (!content) {
                m_tally.tornSafetyCopies.push_back(Describe(entry.path().string()));
                continue;
            }
            const std::vector<int> allowed = m_sequence.SafetyCopiesOf(*round);
            EXPECT_TRUE(std::find(allowed.begin(), allowed.end(), *content) != allowed.end())
                << name << " holds content " << *content;
        }
    }

    // A run after the kills removes the temporary files they left, and a restore still
    // goes through over a leftover level.dat.saving.
    void CheckLaterRun()
    {
        const std::vector<std::string> appTemporaries = {
            TemporaryNameFor(m_sequence.SlotPath()), TemporaryNameFor(m_sequence.SettingsPath()),
            TemporaryInFolder(m_sequence.SafetyFolder())};
        // A kill leaves them only now and then; the last one need not have.
        const std::string torn = SaveSequence::Contents()[1].substr(0, 4000);
        for (const std::string& path : appTemporaries) {
            if (!fs::exists(path))
                WriteFile(path, torn);
        }

        SystemServices files(m_sequence.AppDir());
        SettableClock clock;
        RemoveLeftovers(files);
        AutoSaver saver(files, clock);
        saver.Form_Load();
        for (const std::string& path : appTemporaries)
            EXPECT_FALSE(fs::exists(path)) << path << " outlived a later start";
        const std::uint64_t done = m_tally.steps;
        const std::set<std::optional<std::string>> settings = {m_sequence.SettingsAfter(done),
                                                               m_sequence.SettingsAfter(done + 1)};
        EXPECT_TRUE(settings.count(saver.ChosenPath() + "\r\n") == 1)
            << "chosen path after the kills: " << saver.ChosenPath();

        // Written after the start, which may have cleaned up the one a kill left.
        const std::string levelTemporary = TemporaryNameFor(m_sequence.LevelPath());
        if (!fs::exists(levelTemporary))
            WriteFile(levelTemporary, torn);
        ASSERT_TRUE(fs::exists(m_sequence.SlotPath()));
        const std::string slot = ReadFile(m_sequence.SlotPath());
        const QuickResult restored =
            QuickSlot(files).Restore(m_sequence.LevelPath(), SaveSequence::TimeOfRound(done));
        EXPECT_EQ(restored.outcome, QuickResult::Outcome::Done) << restored.message;
        EXPECT_TRUE(ReadFile(m_sequence.LevelPath()) == slot);
        EXPECT_FALSE(fs::exists(levelTemporary));
    }

    void Report(std::uint64_t seed) const
    {
        std::cout << "[ kills    ] " << m_tally.kills << " survived, " << m_tally.steps
                  << " steps, seed " << seed << " (" << kSeedVariable << " repeats the choices)\n"
                  << "[ kills    ] during step of round:";
        static const char* const kStepNames[] = {"game write", "quick save", "game write",
                                                 "restore", "settings"};
        for (const auto& [step, count] : m_tally.killsInStep)
            std::cout << " " << kStepNames[step] << " " << count << ";";
        std::cout << "\n[ kills    ] temporary files found after a kill:";
        for (const auto& [name, count] : m_tally.leftovers)
            std::cout << " " << name << " " << count << ";";
        std::cout << "\n[ kills    ] safety copies: " << m_tally.safetyCopies << ", torn "
                  << m_tally.tornSafetyCopies.size() << "\n";
        for (std::size_t i = 0; i < m_tally.tornSafetyCopies.size() && i < 5; ++i)
            std::cout << "[ kills    ]   " << m_tally.tornSafetyCopies[i] << "\n";
    }

    TempDir m_root;
    SaveSequence m_sequence;
    Tally m_tally;
    std::set<std::string> m_checkedSafetyCopies;
};

TEST_F(QuickSlotKillTest, FilesStayWholeWhenKilledAtAnyMoment)
{
    const std::uint64_t seed = KillSeed();
    RecordProperty("seed", std::to_string(seed));
    std::cout << "[ seed     ] " << kSeedVariable << "=" << seed << "\n";
    std::mt19937_64 random(seed);

    const auto deadline = Stopwatch::now() + kTimeLimit;
    while (m_tally.kills < kKills) {
        if (Stopwatch::now() >= deadline) {
            Report(seed);
            FAIL() << "only " << m_tally.kills << " of " << kKills << " kills within "
                   << kTimeLimit.count() << " s";
        }
        m_tally.steps += RunAndKill(random);
        ++m_tally.kills;
        // The step that was cut short, or that went through without reporting it.
        ++m_tally.killsInStep[m_tally.steps % SaveSequence::kStepsPerRound];
        CheckAfterKill();
        if (HasFailure()) {
            Report(seed);
            FAIL() << "stopped at kill " << m_tally.kills << ", seed " << seed;
        }
    }
    // Every restore has a time stamp of its own only while there are fewer rounds than
    // seconds in a day.
    ASSERT_LT(m_tally.steps / SaveSequence::kStepsPerRound, SaveSequence::kSecondsPerDay);

    CheckLaterRun();
    Report(seed);
    // A torn safety copy would pass for a finished one, and the save it was to keep is lost.
    EXPECT_TRUE(m_tally.tornSafetyCopies.empty())
        << m_tally.tornSafetyCopies.size() << " of " << m_tally.safetyCopies
        << " safety copies are torn";
}

} // namespace
} // namespace saver::test
