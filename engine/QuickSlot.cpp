// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuickSlot.h"

#include "DataLayout.h"
#include "SafeFileOps.h"

namespace saver {

namespace {

QuickResult Failed(bool restore, QuickResult::Problem problem, std::error_code error,
                   std::string path = {})
{
    QuickResult result;
    result.outcome = QuickResult::Outcome::Failed;
    result.restore = restore;
    result.problem = problem;
    result.error = error;
    result.path = std::move(path);
    return result;
}

const std::error_code kNotFound = std::make_error_code(std::errc::no_such_file_or_directory);
const std::error_code kIsFolder = std::make_error_code(std::errc::is_a_directory);

} // namespace

QuickSlot::QuickSlot(FileServices& files) : m_files(files) {}

std::string QuickSlot::SlotPath() const
{
    return m_files.AppDir() + "/" + kQuickSlotName;
}

std::string QuickSlot::SafetyFolder() const
{
    return m_files.AppDir() + "/" + kSafetyCopyFolder;
}

QuickResult QuickSlot::QuickSave(const std::string& chosenPath)
{
    using Problem = QuickResult::Problem;
    // Checked first so that a missing save never costs the slot that is there.
    if (FolderOf(chosenPath).empty() || m_files.FirstEntry(chosenPath).empty())
        return Failed(false, Problem::NoSave, kNotFound);
    if (!m_files.FolderExists(m_files.AppDir()))
        return Failed(false, Problem::NoDataFolder, kNotFound, m_files.AppDir());
    if (m_files.Status(SlotPath()).isFolder)
        return Failed(false, Problem::SlotIsFolder, kIsFolder, SlotPath());
    const std::error_code error =
        ReplaceAtomically(m_files, SlotPath(), [&](const std::string& temporary) {
            return CopySteadily(m_files, chosenPath, temporary);
        });
    if (error)
        return Failed(false, Problem::Step, error, m_files.AppDir());
    return {};
}

QuickResult QuickSlot::Restore(const std::string& chosenPath, const ClockFields& now)
{
    const std::string slot = SlotPath();
    if (m_files.Status(slot).isFolder)
        return Failed(true, QuickResult::Problem::SlotIsFolder, kIsFolder, slot);
    if (m_files.FirstEntry(slot).empty()) {
        QuickResult result;
        result.outcome = QuickResult::Outcome::NoSlot;
        result.restore = true;
        return result;
    }
    return RestoreFrom(slot, chosenPath, now);
}

QuickResult QuickSlot::RestoreFrom(const std::string& source, const std::string& chosenPath,
                                   const ClockFields& now)
{
    using Problem = QuickResult::Problem;
    if (m_files.FirstEntry(source).empty())
        return Failed(true, Problem::SourceMissing, kNotFound, source);
    // Without a folder there is no game file to put the copy in place of (none chosen, or a
    // bare name).
    if (FolderOf(chosenPath).empty())
        return Failed(true, Problem::NoSave, kNotFound);
    QuickResult result;
    result.restore = true;
    // The game's file is kept before anything touches it; without that copy it stays as is.
    if (!m_files.FirstEntry(chosenPath).empty()) {
        const std::string folder = SafetyFolder();
        if (!m_files.FolderExists(folder)) {
            if (auto error = m_files.MakeDir(folder))
                return Failed(true, Problem::Step, error);
        }
        const std::error_code error =
            CopyUnderFreeName(m_files, chosenPath, folder + "/" + BackupStamp(now) + kLevelCopyStem,
                              kLevelCopyExtension, &result.safetyCopy);
        if (error)
            return Failed(true, Problem::Step, error);
    }

    // A chosen path that is a link keeps pointing at the game's file, which gets the copy.
    const std::error_code error = ReplaceAtomically(
        m_files, m_files.ResolvedPath(chosenPath),
        [&](const std::string& temporary) { return m_files.CopyFile(source, temporary); });
    if (error)
        return Failed(true, Problem::Step, error);
    return result;
}

} // namespace saver
