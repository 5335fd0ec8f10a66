#pragma once

#include "ClockFields.h"
#include "Services.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace saver::test {

// The endless, repeatable round of work a process is killed in the middle of. Each round
// has five steps: the game writes level.dat, the slot is quick-saved, the game writes a
// different level.dat, the slot is restored over it, and the settings are saved. Every
// file only ever holds one of a few known contents, so what is on disk after a kill can be
// told apart from a torn copy, and the step count alone says which contents are right.
class SaveSequence
{
public:
    static constexpr std::uint64_t kStepsPerRound = 5;
    // Rounds are stamped a second apart; after a day the stamps come round again.
    static constexpr std::uint64_t kSecondsPerDay = std::uint64_t{24} * 60 * 60;

    SaveSequence(std::string appDir, std::string gameDir);

    const std::string& AppDir() const { return m_appDir; }
    const std::string& GameDir() const { return m_gameDir; }
    std::string LevelPath() const { return m_gameDir + "/level.dat"; }
    std::string SlotPath() const { return m_appDir + "/tmp.back"; }
    std::string SettingsPath() const { return m_appDir + "/saver.ini"; }
    std::string SafetyFolder() const { return m_appDir + "/【刷物】leveldat"; }
    // Where the game's own writes go first; its rename keeps level.dat whole.
    std::string GameScratchPath() const { return m_gameDir + "/level.dat.game"; }

    // Puts level.dat in the state the first step expects; the app folder stays empty.
    void Prepare() const;
    // Runs step `n` with `files`; returns what went wrong, or "" when it went through.
    std::string Run(std::uint64_t n, FileServices& files) const;

    // Contents after the first `done` steps went through: an index into Contents(), or
    // nothing when the file does not exist yet.
    int LevelAfter(std::uint64_t done) const;
    std::optional<int> SlotAfter(std::uint64_t done) const;
    // The exact bytes of saver.ini, or nothing when it does not exist yet.
    std::optional<std::string> SettingsAfter(std::uint64_t done) const;

    // The round whose restore uses the time stamp `stamp` ("HH_MM_SS"), if any.
    static std::optional<std::uint64_t> RoundOfStamp(const std::string& stamp);
    // The contents a safety copy made in the restore of `round` may hold: the file it
    // replaces and, when a killed restore is done again, the file already restored.
    std::vector<int> SafetyCopiesOf(std::uint64_t round) const;

    static const std::vector<std::string>& Contents();
    // The index of `bytes` in Contents(), or nothing when it is none of them.
    static std::optional<int> ContentIndex(const std::string& bytes);

    static ClockFields TimeOfRound(std::uint64_t round);
    std::string ChosenPathOfRound(std::uint64_t round) const;

private:
    static int SavedIn(std::uint64_t round);
    static int OverwrittenIn(std::uint64_t round);
    std::string GameWrites(int content) const;

    std::string m_appDir;
    std::string m_gameDir;
};

} // namespace saver::test
