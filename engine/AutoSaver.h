// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupHolds.h"
#include "BackupOptions.h"
#include "BackupOutcome.h"
#include "ClockFields.h"
#include "CountdownSchedule.h"
#include "Services.h"
#include "SettingsFile.h"
#include "WholeSaveJob.h"

#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace saver {

// The state behind the windows: the chosen save, the schedule, the kind of backup and the
// count of whole-save backups. Whole-save backups come back as jobs for the caller to run,
// possibly on another thread, and to hand back to FinishWholeSave.
class AutoSaver
{
public:
    AutoSaver(FileServices& files, Clock& clock);

    // A backup begun or refused, and for a whole save under way, the job to run.
    struct BackupStart
    {
        BackupOutcome outcome;
        std::shared_ptr<WholeSaveJob> job;
    };

    struct TickOutcome
    {
        std::string countdown;
        std::optional<BackupStart> backup; // when one fell due
    };

    // Reads the settings; false when saver.ini was there but could not be used.
    bool Load();

    // The chosen level.dat; none before the player chooses one.
    const std::optional<std::string>& ChosenSave() const { return m_chosenSave; }
    // Kept in saver.ini as well.
    std::error_code ChooseSave(const std::string& levelDat);

    void SetAutoBackup(bool on);
    bool AutoBackupOn() const { return m_schedule.IsOn(); }
    void SetInterval(int minutes);
    void SetKind(BackupKind kind);
    const BackupOptions& Options() const { return m_options; }
    // Takes the options the player set and keeps them in options.ini.
    std::error_code SetOptions(const BackupOptions& options);

    // Called once a second.
    TickOutcome Tick();
    // A whole-save backup the player asked for.
    BackupStart StartWholeSave();

    // The game let go of the chosen save: the player went back to the title screen or quit. A
    // whole-save backup begins, unless the player switched these off or one is under way. A
    // scheduled whole-save backup due within a minute would copy the same save again: this
    // one takes its place, and the countdown starts over.
    std::optional<BackupStart> WorldClosed();

    // Takes back a job handed out by Tick, StartWholeSave or WorldClosed once it has run.
    BackupOutcome FinishWholeSave(const WholeSaveJob& job, const WholeSaveResult& result);
    // A scheduled whole-save backup that fell due while another one ran is made as soon as
    // that one is finished; none when none is waiting.
    std::optional<BackupStart> TakeWaitingBackup();

    // The backups in use by a restore, shared with whatever restores from the same folder.
    BackupHolds& Holds() { return m_holds; }

private:
    std::optional<BackupStart> ScheduledBackup(const ClockFields& now);
    std::optional<BackupStart> BeginWholeSave(const ClockFields& now, BackupReason reason);
    BackupOutcome CharacterBackup(const ClockFields& now);

    FileServices& m_files;
    Clock& m_clock;
    SettingsFile m_settings;
    OptionsFile m_optionsFile;
    CountdownSchedule m_schedule;
    BackupHolds m_holds;
    std::optional<std::string> m_chosenSave;
    BackupOptions m_options;
    int m_saveCount = 0;
    bool m_wholeSaveRunning = false;
    bool m_scheduledWaiting = false;
};

// How close the scheduled backup may be for the one made on leaving the world to stand for it.
inline constexpr int kWorldClosedStandsInSeconds = 60;

// The folder single-file backups of the chosen level.dat go to.
std::string CharacterBackupFolder(const FileServices& files);

} // namespace saver
