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

std::optional<StatusTexts> AutoSaver::Form_Load()
{
    m_options = m_optionsFile.Load();
    const SettingsFile::Stored stored = m_settings.Load();
    if (stored.path)
        m_chosenPath = *stored.path;
    if (!stored.unusable)
        return std::nullopt;
    return StatusTexts{kSettingsFileName, "无法读取保存的存档路径，请重新选择level.dat"};
}

std::error_code AutoSaver::Command3_Click(const std::string& chosenPath)
{
    if (!IsStorablePath(chosenPath))
        return std::make_error_code(std::errc::invalid_argument);
    m_chosenPath = chosenPath;
    return m_settings.Save(chosenPath);
}

Colour AutoSaver::chk1_Click(bool on)
{
    if (on) {
        m_schedule.SwitchOn(GetHMS(m_clock));
        return Green;
    }
    m_schedule.SwitchOff();
    return Red;
}

std::string AutoSaver::HScroll2_Change(int minutes)
{
    if (minutes != m_options.intervalMinutes) {
        BackupOptions options = m_options;
        options.intervalMinutes = minutes;
        SetOptions(options); // best effort: the interval holds for this run either way
    }
    return "保存间隔 " + std::to_string(minutes) + " 分钟";
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

AutoSaver::TickOutcome AutoSaver::Timer2_Timer()
{
    TickOutcome outcome;
    const ClockFields now = GetHMS(m_clock);
    const CountdownSchedule::Tick tick = m_schedule.OnTick(now, m_options.intervalMinutes);
    outcome.countdown = tick.countdown;
    if (tick.backupDue && m_schedule.IsOn())
        outcome.backup = SaveMC(now);
    return outcome;
}

AutoSaver::BackupStart AutoSaver::SaveMC(const ClockFields& now)
{
    if (m_options.kind == BackupKind::WholeSave)
        return StartWholeSave(now, true);
    return {CharacterBackup(now), nullptr};
}

AutoSaver::BackupStart AutoSaver::Command4_Click()
{
    return StartWholeSave(GetHMS(m_clock), false);
}

AutoSaver::BackupStart AutoSaver::StartWholeSave(const ClockFields& now, bool scheduled)
{
    BackupStart start;
    if (m_wholeSaveRunning) {
        // The progress of the running copy would hide a refusal within a second.
        if (scheduled)
            m_scheduledWaiting = true;
        else
            start.status = StatusTexts{PlainTime(now), "上一次整体保存尚未完成"};
        return start;
    }
    if (FolderOf(m_chosenPath).empty()) {
        start.status = StatusTexts{PlainTime(now), "请先选择level.dat的路径"};
        return start;
    }
    // The count goes up only when the backup is made, so the number is the next one.
    // Through a link the folder is copied, not the link.
    const std::string saveFolder = m_files.ResolvedPath(FolderOf(m_chosenPath));
    start.job = std::make_shared<WholeSaveJob>(m_files, m_holds, saveFolder, m_saveCount + 1, now,
                                               m_options, scheduled);
    start.status = StatusTexts{PlainTime(now), ProgressText(0, 0)};
    m_wholeSaveRunning = true;
    return start;
}

StatusTexts AutoSaver::FinishWholeSave(const WholeSaveJob& job, const WholeSaveResult& result)
{
    m_wholeSaveRunning = false;
    const std::string when = PlainTime(job.When());
    if (result.error && !result.blockedBy.empty())
        return {when, "保存失败：无法删除 " + result.blockedBy + "（" +
                          FailureReason(result.error) + "）"};
    if (result.error && !result.failedPath.empty())
        return {when, "保存失败：无法读取 " + WithSystemSeparators(result.failedPath) + "（" +
                          FailureReason(result.error) + "）"};
    if (result.error && result.bytesFree > 0)
        return {when, SaveFailedText(result.error) + "（需要 " + SizeText(result.bytesAdded) +
                          "，可用 " + SizeText(result.bytesFree) + "）"};
    if (result.error)
        return {when, SaveFailedText(result.error, m_files.AppDir())};
    if (result.skipped)
        return {when, "存档未变化，跳过"};
    m_saveCount = job.Number();
    std::string text = "第" + std::to_string(m_saveCount) + "次 ";
    text += result.changedFiles > 0 ? "保存成功（复制时存档有变动）" : "保存成功！";
    text += "（新增 " + SizeText(result.bytesAdded) + "）";
    if (result.pruned.error)
        text += "；旧备份删除失败：" + result.pruned.failedPath + "（" +
                FailureReason(result.pruned.error) + "）";
    for (const std::string& link : result.pruned.skippedLinks)
        text += "；" + link + " 是符号链接，不是备份，未删除";
    return {when, text};
}

AutoSaver::BackupStart AutoSaver::TakeWaitingBackup()
{
    if (!m_scheduledWaiting || m_wholeSaveRunning || !m_schedule.IsOn())
        return {};
    m_scheduledWaiting = false;
    return StartWholeSave(GetHMS(m_clock), true);
}

StatusTexts AutoSaver::CharacterBackup(const ClockFields& now)
{
    const std::string when = PlainTime(now);
    if (FolderOf(m_chosenPath).empty() || m_files.FirstEntry(m_chosenPath).empty())
        return {when, SaveFailedText(std::make_error_code(std::errc::no_such_file_or_directory))};

    const std::string folder = CharacterBackupFolder(m_files);
    if (!m_files.FolderExists(folder)) {
        if (auto error = m_files.MakeDir(folder))
            return {when, SaveFailedText(error, m_files.AppDir())};
    }
    const std::error_code error =
        CopyUnderFreeName(m_files, m_chosenPath, folder + "/" + BackupStamp(now) + kLevelCopyStem,
                          kLevelCopyExtension);
    if (error)
        return {when, SaveFailedText(error, m_files.AppDir())};
    return {when, when + "保存成功！"};
}

} // namespace saver
