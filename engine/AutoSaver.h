// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupHolds.h"
#include "BackupOptions.h"
#include "ClockFields.h"
#include "Colour.h"
#include "CountdownSchedule.h"
#include "Services.h"
#include "SettingsFile.h"
#include "StatusTexts.h"
#include "WholeSaveJob.h"

#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace saver {

inline constexpr const char* kPathPrompt = "此处显示存档路径，请先选择level.dat的路径";

// The state behind the main window: the chosen path, the schedule, the kind of backup and
// the count of whole-save backups. Each method answers one event of that window and returns
// what the window shows; whole-save backups come back as jobs for the caller to run,
// possibly on another thread, and to hand back to FinishWholeSave.
class AutoSaver
{
public:
    AutoSaver(FileServices& files, Clock& clock);

    // What the window shows after starting (or refusing) a backup, and the job to run.
    struct BackupStart
    {
        std::optional<StatusTexts> status;
        std::shared_ptr<WholeSaveJob> job;
    };

    struct TickOutcome
    {
        std::string countdown; // lblShow3
        BackupStart backup;
    };

    // Loads the chosen path; returns a status to show when saver.ini could not be used.
    std::optional<StatusTexts> Form_Load();

    // The caption of fram_Save: the chosen level.dat, or the prompt to choose one.
    const std::string& ChosenPath() const { return m_chosenPath; }
    // The user picked a file in the dialog; it is kept in saver.ini.
    std::error_code Command3_Click(const std::string& chosenPath);

    Colour chk1_Click(bool on);
    // Returns the caption of fram_HowLong.
    std::string HScroll2_Change(int minutes);
    void SetKind(BackupKind kind);
    const BackupOptions& Options() const { return m_options; }
    // Takes the options the player set and keeps them in options.ini.
    std::error_code SetOptions(const BackupOptions& options);

    TickOutcome Timer2_Timer();
    BackupStart Command4_Click();

    // Takes back a job handed out by Timer2_Timer or Command4_Click once it has run.
    StatusTexts FinishWholeSave(const WholeSaveJob& job, const WholeSaveResult& result);
    // A scheduled whole-save backup that fell due while another one ran is made as soon as
    // that one is finished; empty when none is waiting.
    BackupStart TakeWaitingBackup();

    int SaveCount() const { return m_saveCount; }
    // The backups in use by a restore, shared with whatever restores from the same folder.
    BackupHolds& Holds() { return m_holds; }

private:
    BackupStart SaveMC(const ClockFields& now);
    BackupStart StartWholeSave(const ClockFields& now, bool scheduled);
    StatusTexts CharacterBackup(const ClockFields& now);

    FileServices& m_files;
    Clock& m_clock;
    SettingsFile m_settings;
    OptionsFile m_optionsFile;
    CountdownSchedule m_schedule;
    BackupHolds m_holds;
    std::string m_chosenPath = kPathPrompt;
    BackupOptions m_options;
    int m_saveCount = 0;
    bool m_wholeSaveRunning = false;
    bool m_scheduledWaiting = false;
};

// The folder single-file backups of the chosen level.dat go to.
std::string CharacterBackupFolder(const FileServices& files);

} // namespace saver
