// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuickSlot.h"

#include "DataLayout.h"
#include "SafeFileOps.h"
#include "StatusTexts.h"

namespace saver {

namespace {

constexpr const char* kUntouched = "（游戏存档未改动）";

// `what` is followed by the reason for `error`, unless `what` already says it all; `folder` is
// where the failed step was writing, when that is known.
QuickResult Failed(const std::error_code& error, std::string title, const std::string& what,
                   const std::string& note = {}, bool withReason = true,
                   const std::string& folder = {})
{
    QuickResult result;
    result.outcome = QuickResult::Outcome::Failed;
    result.error = error;
    result.title = std::move(title);
    result.message = what + (withReason ? FailureReason(error, folder) : std::string()) + note;
    return result;
}

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
    const auto notFound = std::make_error_code(std::errc::no_such_file_or_directory);
    // Checked first so that a missing save never costs the slot that is there.
    if (FolderOf(chosenPath).empty() || m_files.FirstEntry(chosenPath).empty())
        return Failed(notFound, "保存失败", "快速保存失败：");
    if (!m_files.FolderExists(m_files.AppDir()))
        return Failed(notFound, "保存失败",
                      "快速保存失败：找不到程序的数据文件夹 " + m_files.AppDir(), {}, false);
    if (m_files.Status(SlotPath()).isFolder)
        return Failed(std::make_error_code(std::errc::is_a_directory), "保存失败",
                      "快速保存失败：" + SlotPath() + " 是一个文件夹", {}, false);
    const std::error_code error =
        ReplaceAtomically(m_files, SlotPath(), [&](const std::string& temporary) {
            return CopySteadily(m_files, chosenPath, temporary);
        });
    if (error)
        return Failed(error, "保存失败", "快速保存失败：", "（原有的快速存档未改动）", true,
                      m_files.AppDir());
    return {};
}

QuickResult QuickSlot::Restore(const std::string& chosenPath, const ClockFields& now)
{
    const std::string slot = SlotPath();
    if (m_files.Status(slot).isFolder)
        return Failed(std::make_error_code(std::errc::is_a_directory), "覆盖失败",
                      "覆盖失败：" + slot + " 是一个文件夹", kUntouched, false);
    if (m_files.FirstEntry(slot).empty()) {
        QuickResult result;
        result.outcome = QuickResult::Outcome::NoSlot;
        result.title = "tmp.back不存在";
        result.message = "程序目录没有发现备份文件！";
        return result;
    }
    return RestoreFrom(slot, chosenPath, now);
}

QuickResult QuickSlot::RestoreFrom(const std::string& source, const std::string& chosenPath,
                                   const ClockFields& now)
{
    const auto notFound = std::make_error_code(std::errc::no_such_file_or_directory);
    if (m_files.FirstEntry(source).empty())
        return Failed(notFound, "覆盖失败", "覆盖失败：找不到 " + source, kUntouched, false);
    // Without a folder there is no game file to put the copy in place of (the prompt is
    // still showing, or a bare name).
    if (FolderOf(chosenPath).empty())
        return Failed(notFound, "覆盖失败", "覆盖失败：", kUntouched);
    QuickResult result;
    // The game's file is kept before anything touches it; without that copy it stays as is.
    if (!m_files.FirstEntry(chosenPath).empty()) {
        const std::string folder = SafetyFolder();
        if (!m_files.FolderExists(folder)) {
            if (auto error = m_files.MakeDir(folder))
                return Failed(error, "覆盖失败", "覆盖失败：", kUntouched);
        }
        const std::error_code error =
            CopyUnderFreeName(m_files, chosenPath, folder + "/" + BackupStamp(now) + kLevelCopyStem,
                              kLevelCopyExtension, &result.safetyCopy);
        if (error)
            return Failed(error, "覆盖失败", "覆盖失败：", kUntouched);
    }

    // A chosen path that is a link keeps pointing at the game's file, which gets the copy.
    const std::error_code error = ReplaceAtomically(
        m_files, m_files.ResolvedPath(chosenPath),
        [&](const std::string& temporary) { return m_files.CopyFile(source, temporary); });
    if (error)
        return Failed(error, "覆盖失败", "覆盖失败：", kUntouched);
    return result;
}

} // namespace saver
