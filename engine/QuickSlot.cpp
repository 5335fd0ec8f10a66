#include "QuickSlot.h"

#include "SafeFileOps.h"
#include "StatusTexts.h"

namespace saver {

namespace {

QuickResult Failed(const std::error_code& error, std::string title, const std::string& what,
                   const std::string& note = {})
{
    QuickResult result;
    result.outcome = QuickResult::Outcome::Failed;
    result.error = error;
    result.title = std::move(title);
    result.message = what + FailureReason(error) + note;
    return result;
}

} // namespace

QuickSlot::QuickSlot(FileServices& files) : m_files(files) {}

std::string QuickSlot::SlotPath() const
{
    return m_files.AppDir() + "/tmp.back";
}

std::string QuickSlot::SafetyFolder() const
{
    return m_files.AppDir() + "/【刷物】leveldat";
}

QuickResult QuickSlot::QuickSave(const std::string& chosenPath)
{
    // Checked first so that a missing save never costs the slot that is there.
    if (FolderOf(chosenPath).empty() || m_files.FirstEntry(chosenPath).empty())
        return Failed(std::make_error_code(std::errc::no_such_file_or_directory), "保存失败",
                      "快速保存失败：");
    const std::error_code error =
        ReplaceAtomically(m_files, SlotPath(), [&](const std::string& temporary) {
            return m_files.CopyFile(chosenPath, temporary);
        });
    if (error)
        return Failed(error, "保存失败", "快速保存失败：", "（原有的快速存档未改动）");
    return {};
}

QuickResult QuickSlot::Restore(const std::string& chosenPath, const ClockFields& now)
{
    const std::string slot = SlotPath();
    if (m_files.FirstEntry(slot).empty()) {
        QuickResult result;
        result.outcome = QuickResult::Outcome::NoSlot;
        result.title = "tmp.back不存在";
        result.message = "程序目录没有发现备份文件！";
        return result;
    }

    constexpr const char* kUntouched = "（游戏存档未改动）";
    // Without a folder there is no game file to put the slot in place of (the prompt is
    // still showing, or a bare name).
    if (FolderOf(chosenPath).empty())
        return Failed(std::make_error_code(std::errc::no_such_file_or_directory), "覆盖失败",
                      "覆盖失败：", kUntouched);
    // The game's file is kept before anything touches it; without that copy it stays as is.
    if (!m_files.FirstEntry(chosenPath).empty()) {
        const std::string folder = SafetyFolder();
        if (!m_files.FolderExists(folder)) {
            if (auto error = m_files.MakeDir(folder))
                return Failed(error, "覆盖失败", "覆盖失败：", kUntouched);
        }
        const std::error_code error = CopyUnderFreeName(
            m_files, chosenPath, folder + "/" + BackupStamp(now) + "level", ".dat");
        if (error)
            return Failed(error, "覆盖失败", "覆盖失败：", kUntouched);
    }

    const std::error_code error =
        ReplaceAtomically(m_files, chosenPath, [&](const std::string& temporary) {
            return m_files.CopyFile(slot, temporary);
        });
    if (error)
        return Failed(error, "覆盖失败", "覆盖失败：", kUntouched);
    return {};
}

} // namespace saver
