// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupCatalogue.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace saver {
namespace {

// Skips one to `most` digits at the front of `text`; false when there are none.
bool SkipDigits(std::string_view& text, std::size_t most)
{
    std::size_t count = 0;
    while (count < text.size() && count < most &&
           std::isdigit(static_cast<unsigned char>(text[count])))
        ++count;
    text.remove_prefix(count);
    return count > 0;
}

bool Skip(std::string_view& text, std::string_view expected)
{
    if (!text.starts_with(expected))
        return false;
    text.remove_prefix(expected.size());
    return true;
}

} // namespace

bool IsWholeSaveBackupName(const std::string& name)
{
    std::string_view rest = name;
    if (!Skip(rest, "【") || !SkipDigits(rest, 9) || !Skip(rest, "】") || !SkipDigits(rest, 2) ||
        !Skip(rest, "_") || !SkipDigits(rest, 2) || !Skip(rest, "_") || !SkipDigits(rest, 2))
        return false;
    if (rest.empty())
        return true;
    return Skip(rest, " (") && SkipDigits(rest, 5) && rest == ")";
}

bool IsProgramFileName(const std::string& name)
{
    static constexpr std::array<std::string_view, 8> kNames = {
        "saver.ini",        "options.ini",      "hotkeys.ini",        "tmp.back",
        "【存档】leveldat", "【刷物】leveldat", ".wholesave.partial", "mcsaver"};
    const std::string_view view = name;
    return std::find(kNames.begin(), kNames.end(), view) != kNames.end() ||
           view.starts_with(".mcsaver.lock") || view.ends_with(".saving") ||
           IsWholeSaveBackupName(name);
}

std::vector<WholeSaveBackup> ListWholeSaveBackups(FileServices& files)
{
    std::vector<WholeSaveBackup> backups;
    for (const std::string& name : files.ListFolder(files.AppDir())) {
        if (!IsWholeSaveBackupName(name))
            continue;
        WholeSaveBackup backup;
        backup.path = files.AppDir() + "/" + name;
        const FileStatus status = files.Status(backup.path);
        if (!status.isFolder)
            continue;
        backup.madeNs = status.modifiedNs;
        for (const std::string& entry : files.ListFolder(backup.path)) {
            if (entry == kManualMark)
                backup.manual = true;
            else if (entry == kPinnedMark)
                backup.pinned = true;
            else if (!entry.starts_with('.'))
                backup.saveName = entry;
        }
        backups.push_back(std::move(backup));
    }
    std::sort(backups.begin(), backups.end(), [](const auto& a, const auto& b) {
        return a.madeNs != b.madeNs ? a.madeNs < b.madeNs : a.path < b.path;
    });
    return backups;
}

DiskUsage MeasureWholeSaveBackups(FileServices& files)
{
    std::vector<std::string> folders;
    for (const WholeSaveBackup& backup : ListWholeSaveBackups(files))
        folders.push_back(backup.path);
    return files.MeasureDiskUsage(folders);
}

} // namespace saver
