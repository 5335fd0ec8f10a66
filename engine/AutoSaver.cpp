// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutoSaver.h"

#include "DataLayout.h"
#include "PathSeparators.h"
#include "SafeFileOps.h"

namespace saver {

std::string CharacterBackupFolder(const FileServices& files)
{
    return files.AppDir() + "/" + kCharacterBackupFolder;
}

AutoSaver::AutoSaver(FileServices& files, Clock& clock)
    : m_files(files), m_clock(clock), m_settings(files), m_optionsFile(files)
{
}

bool AutoSaver::Load()
{
    m_options = m_optionsFile.Load();
    const SettingsFile::Stored stored = m_settings.Load();
    m_chosenSave = stored.path;
    return !stored.unusable;
}

std::error_code AutoSaver::ChooseSave(const std::string& levelDat)
{
    if (!IsStorablePath(levelDat))
        return std::make_error_code(std::errc::invalid_argument);
    m_chosenSave = levelDat;
    return m_settings.Save(levelDat);
}

void AutoSaver::SetAutoBackup(bool on)
{
    if (on)
        m_schedule.SwitchOn(GetHMS(m_clock));
    else
        m_schedule.SwitchOff();
}

void AutoSaver::SetInterval(int minutes)
{
    if (minutes != m_options.intervalMinutes) {
        BackupOptions options = m_options;
        options.intervalMinutes = minutes;
        SetOptions(options); // best effort: the interval holds for this run either way
    }
}

void AutoSaver::SetKind(BackupKind kind)
{
    if (kind != m_options.kind) {
        BackupOptions options = m_options;
        options.kind = kind;
        SetOptions(options); // best effort, as for the interval
    }
}

std::error_code AutoSaver::SetOptions(const BackupOptions& options)
{
    m_options = options;
    return m_optionsFile.Save(options);
}

AutoSaver::TickOutcome AutoSaver::Tick()
{
    TickOutcome outcome;
    const ClockFields now = GetHMS(m_clock);
    const CountdownSchedule::Tick tick = m_schedule.OnTick(now, m_options.intervalMinutes);
    outcome.countdown = tick.countdown;
    if (tick.backupDue && m_schedule.IsOn())
        outcome.backup = ScheduledBackup(now);
    return outcome;
}

std::optional<AutoSaver::BackupStart> AutoSaver::ScheduledBackup(const ClockFields& now)
{
    if (m_options.kind == BackupKind::WholeSave)
        return BeginWholeSave(now, BackupReason::Scheduled);
    return BackupStart{CharacterBackup(now), nullptr};
}

AutoSaver::BackupStart AutoSaver::StartWholeSave()
{
    return *BeginWholeSave(GetHMS(m_clock), BackupReason::Asked);
}

std::optional<AutoSaver::BackupStart> AutoSaver::WorldClosed()
{
    if (!m_options.backupOnWorldClose || m_wholeSaveRunning)
        return std::nullopt;
    const ClockFields now = GetHMS(m_clock);
    if (m_schedule.IsOn() && m_options.kind == BackupKind::WholeSave &&
        m_schedule.Remaining(now, m_options.intervalMinutes) <= kWorldClosedStandsInSeconds)
        m_schedule.SwitchOn(now);
    return BeginWholeSave(now, BackupReason::WorldClosed);
}

std::optional<AutoSaver::BackupStart> AutoSaver::BeginWholeSave(const ClockFields& now,
                                                                BackupReason reason)
{
    BackupStart start;
    start.outcome.when = now;
    if (m_wholeSaveRunning) {
        // The progress of the running copy would hide a refusal within a second.
        if (reason == BackupReason::Scheduled) {
            m_scheduledWaiting = true;
            return std::nullopt;
        }
        start.outcome.kind = BackupOutcome::Kind::Busy;
        return start;
    }
    if (!m_chosenSave || FolderOf(*m_chosenSave).empty()) {
        start.outcome.kind = BackupOutcome::Kind::NoSave;
        return start;
    }
    // The count goes up only when the backup is made, so the number is the next one.
    // Through a link the folder is copied, not the link.
    const std::string saveFolder = m_files.ResolvedPath(FolderOf(*m_chosenSave));
    start.job = std::make_shared<WholeSaveJob>(m_files, m_holds, saveFolder, m_saveCount + 1, now,
                                               m_options, reason);
    start.outcome.kind = BackupOutcome::Kind::Started;
    start.outcome.number = m_saveCount + 1;
    m_wholeSaveRunning = true;
    return start;
}

BackupOutcome AutoSaver::FinishWholeSave(const WholeSaveJob& job, const WholeSaveResult& result)
{
    m_wholeSaveRunning = false;
    BackupOutcome outcome;
    outcome.when = job.When();
    outcome.copy = result;
    outcome.folder = m_files.AppDir();
    if (result.error) {
        outcome.kind = BackupOutcome::Kind::Failed;
    } else if (result.skipped) {
        outcome.kind = BackupOutcome::Kind::Unchanged;
    } else {
        m_saveCount = job.Number();
        outcome.number = m_saveCount;
    }
    return outcome;
}

std::optional<AutoSaver::BackupStart> AutoSaver::TakeWaitingBackup()
{
    if (!m_scheduledWaiting || m_wholeSaveRunning || !m_schedule.IsOn())
        return std::nullopt;
    m_scheduledWaiting = false;
    return BeginWholeSave(GetHMS(m_clock), BackupReason::Scheduled);
}

BackupOutcome AutoSaver::CharacterBackup(const ClockFields& now)
{
    BackupOutcome outcome;
    outcome.backup = BackupKind::Character;
    outcome.when = now;
    const auto failed = [&outcome](std::error_code error, std::string folder = {}) {
        outcome.kind = BackupOutcome::Kind::Failed;
        outcome.error = error;
        outcome.folder = std::move(folder);
        return outcome;
    };
    if (!m_chosenSave || FolderOf(*m_chosenSave).empty() ||
        m_files.FirstEntry(*m_chosenSave).empty())
        return failed(std::make_error_code(std::errc::no_such_file_or_directory));

    const std::string folder = CharacterBackupFolder(m_files);
    if (!m_files.FolderExists(folder)) {
        if (auto error = m_files.MakeDir(folder))
            return failed(error, m_files.AppDir());
    }
    const std::error_code error =
        CopyUnderFreeName(m_files, *m_chosenSave, folder + "/" + BackupStamp(now) + kLevelCopyStem,
                          kLevelCopyExtension);
    if (error)
        return failed(error, m_files.AppDir());
    return outcome;
}

} // namespace saver
