#include "SaveSequence.h"

#include "QuickSlot.h"
#include "SettingsFile.h"
#include "TempDir.h"

#include <cstdio>
#include <exception>
#include <utility>

namespace saver::test {
namespace {

enum Step : std::uint64_t { GameWritesSaved, QuickSave, GameWritesOther, Restore, SaveSettings };

// Different sizes, so that a copy cut short is never mistaken for another content, and
// large enough that a kill often lands inside a copy.
std::vector<std::string> MakeContents()
{
    std::vector<std::string> contents;
    for (const std::size_t kib : {50u, 100u, 150u, 200u}) {
        std::string bytes(kib * 1024, '\0');
        const std::size_t salt = contents.size() * 71 + 13;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 131 + (i >> 9) + salt) & 0xFF);
        contents.push_back(std::move(bytes));
    }
    return contents;
}

std::string FailureOf(const QuickResult& result)
{
    return result.outcome == QuickResult::Outcome::Done ? std::string()
                                                        : result.title + ": " + result.message;
}

// The round of the last step of kind `step` among the first `done` steps.
std::optional<std::uint64_t> LastRoundOf(Step step, std::uint64_t done)
{
    if (done <= step)
        return std::nullopt;
    return (done - 1 - step) / SaveSequence::kStepsPerRound;
}

} // namespace

SaveSequence::SaveSequence(std::string appDir, std::string gameDir)
    : m_appDir(std::move(appDir)), m_gameDir(std::move(gameDir))
{
}

void SaveSequence::Prepare() const
{
    WriteFile(LevelPath(), Contents()[static_cast<std::size_t>(LevelAfter(0))]);
}

std::string SaveSequence::Run(std::uint64_t n, FileServices& files) const
{
    const std::uint64_t round = n / kStepsPerRound;
    switch (static_cast<Step>(n % kStepsPerRound)) {
    case GameWritesSaved:
        return GameWrites(SavedIn(round));
    case QuickSave:
        return FailureOf(QuickSlot(files).QuickSave(LevelPath()));
    case GameWritesOther:
        return GameWrites(OverwrittenIn(round));
    case Restore:
        return FailureOf(QuickSlot(files).Restore(LevelPath(), TimeOfRound(round)));
    case SaveSettings:
        if (const std::error_code error = SettingsFile(files).Save(ChosenPathOfRound(round)))
            return "saving the settings: " + error.message();
        return {};
    }
    return "no such step";
}

int SaveSequence::LevelAfter(std::uint64_t done) const
{
    if (done == 0)
        return SavedIn(0);
    const std::uint64_t last = done - 1;
    return last % kStepsPerRound == GameWritesOther ? OverwrittenIn(last / kStepsPerRound)
                                                    : SavedIn(last / kStepsPerRound);
}

std::optional<int> SaveSequence::SlotAfter(std::uint64_t done) const
{
    const auto round = LastRoundOf(QuickSave, done);
    if (!round)
        return std::nullopt;
    return SavedIn(*round);
}

std::optional<std::string> SaveSequence::SettingsAfter(std::uint64_t done) const
{
    const auto round = LastRoundOf(SaveSettings, done);
    if (!round)
        return std::nullopt;
    return ChosenPathOfRound(*round) + "\r\n";
}

std::optional<std::uint64_t> SaveSequence::RoundOfStamp(const std::string& stamp)
{
    if (stamp.size() != 8 || stamp[2] != '_' || stamp[5] != '_')
        return std::nullopt;
    std::uint64_t fields[3] = {};
    for (std::size_t field = 0; field < 3; ++field) {
        for (std::size_t i = field * 3; i < field * 3 + 2; ++i) {
            if (stamp[i] < '0' || stamp[i] > '9')
                return std::nullopt;
            fields[field] = fields[field] * 10 + static_cast<std::uint64_t>(stamp[i] - '0');
        }
    }
    if (fields[0] > 23 || fields[1] > 59 || fields[2] > 59)
        return std::nullopt;
    return fields[0] * 3600 + fields[1] * 60 + fields[2];
}

std::vector<int> SaveSequence::SafetyCopiesOf(std::uint64_t round) const
{
    return {OverwrittenIn(round), SavedIn(round)};
}

const std::vector<std::string>& SaveSequence::Contents()
{
    static const std::vector<std::string> contents = MakeContents();
    return contents;
}

std::optional<int> SaveSequence::ContentIndex(const std::string& bytes)
{
    const auto& contents = Contents();
    for (std::size_t i = 0; i < contents.size(); ++i) {
        if (contents[i] == bytes)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

ClockFields SaveSequence::TimeOfRound(std::uint64_t round)
{
    // One second per round gives every restore a safety copy name of its own.
    const auto second = static_cast<int>(round % kSecondsPerDay);
    return {second / 3600, second / 60 % 60, second % 60};
}

std::string SaveSequence::ChosenPathOfRound(std::uint64_t round) const
{
    return round % 2 == 0 ? LevelPath() : m_gameDir + "/另一个世界/level.dat";
}

int SaveSequence::SavedIn(std::uint64_t round)
{
    return static_cast<int>(round % Contents().size());
}

int SaveSequence::OverwrittenIn(std::uint64_t round)
{
    return static_cast<int>((round + 2) % Contents().size());
}

std::string SaveSequence::GameWrites(int content) const
{
    try {
        WriteFile(GameScratchPath(), Contents()[static_cast<std::size_t>(content)]);
    } catch (const std::exception& error) {
        return error.what();
    }
    if (std::rename(GameScratchPath().c_str(), LevelPath().c_str()) != 0)
        return "the game's rename failed";
    return {};
}

} // namespace saver::test
