// SPDX-License-Identifier: GPL-3.0-or-later
#include "WholeSaveRestore.h"

#include "BackupCatalogue.h"
#include "SafeFileOps.h"
#include "StatusTexts.h"

#include <utility>

namespace saver {
namespace {

// Beside the save, on its filesystem, so that the restored save gets its name in one step.
constexpr const char* kPartialName = ".mcsaver-restore.partial";

std::string LastName(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

} // namespace

WholeSaveRestore::WholeSaveRestore(FileServices& files, std::string backupFolder,
                                   const std::string& chosenLevelDat, const std::string& stamp)
    : m_files(files), m_backupFolder(std::move(backupFolder)),
      m_saveName(SaveNameIn(files, m_backupFolder)),
      m_safetyStem(files.AppDir() + "/" + kBeforeRestorePrefix + stamp)
{
    const std::string chosenSave = FolderOf(chosenLevelDat);
    if (chosenSave.empty()) {
        m_problem = "请先选择level.dat的路径";
        return;
    }
    if (m_saveName.empty()) {
        m_problem = "备份里没有存档文件夹";
        return;
    }
    // A backup belongs to the save of its own name, looked for beside the chosen one.
    m_target = FolderOf(files.ResolvedPath(chosenSave)) + "/" + m_saveName;
    if ((files.ResolvedPath(files.AppDir()) + "/").starts_with(m_target + "/"))
        m_problem = "程序的数据文件夹在这个存档里面，无法整体恢复";
}

bool WholeSaveRestore::TargetInUse()
{
    return !m_target.empty() && m_files.IsLockedByAnotherProcess(m_target + "/session.lock");
}

RestoreOutcome WholeSaveRestore::Run(const Progress& progress, std::stop_token cancel)
{
    if (!m_problem.empty())
        return {std::make_error_code(std::errc::invalid_argument), {}, "恢复失败：" + m_problem};
    const std::string partial = FolderOf(m_target) + "/" + kPartialName;
    const std::string incoming = partial + "/" + m_saveName;
    // The backup is copied in before the save is touched: a copy that fails, finds the disk
    // full or is cancelled leaves the save as it was.
    std::error_code error = CopyIn(partial, progress, std::move(cancel));
    MovedAside aside;
    if (!error && m_files.FolderExists(m_target)) {
        aside = MoveAside();
        error = aside.error;
    }
    if (!error) {
        error = m_files.Rename(incoming, m_target, false);
        // A rename that was made but could not be flushed reports an error as well.
        if (error && !m_files.FolderExists(incoming) && m_files.FolderExists(m_target))
            error = {};
    }
    if (!error) {
        m_files.RemoveFolder(partial); // best effort: it is empty
        return Finish(aside);
    }

    const bool moved = !aside.folder.empty() && !m_files.FolderExists(m_target);
    const std::error_code notBack = PutBack(aside);
    m_files.RemoveFolder(partial); // best effort: the next restore removes it otherwise
    const std::string failed = "恢复失败：" + FailureReason(error);
    if (notBack)
        return {error, aside.original.empty() ? aside.kept : aside.original,
                failed + "。原来的存档未能放回原处，它完整地保存在 " +
                    (aside.original.empty() ? aside.kept : aside.original)};
    return {error, {}, failed + (moved ? "。原来的存档已放回原处" : "（存档未改动）")};
}

std::error_code WholeSaveRestore::CopyIn(const std::string& partial, const Progress& progress,
                                         std::stop_token cancel)
{
    if (m_files.FolderExists(partial)) {
        if (auto error = m_files.RemoveFolder(partial))
            return error;
    }
    if (auto error = m_files.MakeDir(partial))
        return error;
    FolderCopyOptions options;
    options.progress = progress;
    options.cancel = std::move(cancel);
    return m_files.CopyFolder(m_backupFolder + "/" + m_saveName, partial, options).error;
}

WholeSaveRestore::MovedAside WholeSaveRestore::MoveAside()
{
    MovedAside aside;
    aside.error = CreateUnderFreeName(
        m_safetyStem, "", [&](const std::string& name) { return m_files.MakeDir(name); },
        &aside.folder);
    if (aside.error)
        return aside;
    aside.kept = aside.folder + "/" + m_saveName;
    aside.error = m_files.Rename(m_target, aside.kept, false);
    if (aside.error != std::errc::cross_device_link)
        return aside;
    // Across filesystems the save is copied, and the original waits, renamed beside its
    // place, until the restored save is in.
    aside.error = m_files.CopyFolder(m_target, aside.folder, {}).error;
    if (!aside.error)
        aside.error = CreateUnderFreeName(
            FolderOf(m_target) + "/." + m_saveName + ".replaced", "",
            [&](const std::string& name) { return m_files.Rename(m_target, name, false); },
            &aside.original);
    return aside;
}

// Whichever step failed, the old save is looked for where it is now and brought back.
std::error_code WholeSaveRestore::PutBack(const MovedAside& aside)
{
    if (aside.folder.empty())
        return {};
    if (!m_files.FolderExists(m_target)) {
        const std::error_code error =
            m_files.Rename(aside.original.empty() ? aside.kept : aside.original, m_target, false);
        if (error && !m_files.FolderExists(m_target))
            return error;
    }
    // Now it holds nothing, or a copy of the save that is in its place again.
    m_files.RemoveFolder(aside.folder); // best effort
    return {};
}

RestoreOutcome WholeSaveRestore::Finish(const MovedAside& aside)
{
    std::string message = "已恢复存档 " + m_saveName + "（来自 " + LastName(m_backupFolder) + "）";
    if (!aside.kept.empty())
        message += "。原来的存档已移到 " + aside.kept;
    if (!aside.original.empty() && m_files.RemoveFolder(aside.original))
        message += "；未能删除 " + aside.original + "，其中是原来存档的另一份";
    // The backup the player went back to is kept for good, whatever the pruning rules say.
    BackupEntry backup;
    backup.path = m_backupFolder;
    if (SetPinned(m_files, backup, true))
        message += "；未能固定这个备份";
    return {{}, aside.kept, message};
}

} // namespace saver
