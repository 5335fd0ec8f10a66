// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupCatalogue.h"

#include "BackupNote.h"
#include "DataLayout.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
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

struct FolderMarks
{
    std::string saveName;
    std::uint64_t sequence = 0;
    std::int64_t madeNs = 0;
    bool manual = false;
    bool pinned = false;
    bool worldClosed = false;
};

// "<sequence> <nanoseconds>"; anything else reads as no record at all.
void ReadMadeMark(FileServices& files, const std::string& path, FolderMarks& marks)
{
    const FirstLine line = files.ReadFirstLine(path);
    std::string_view rest = line.text;
    const std::size_t space = rest.find(' ');
    if (line.error || space == std::string_view::npos)
        return;
    std::uint64_t sequence = 0;
    std::int64_t madeNs = 0;
    const std::string_view first = rest.substr(0, space);
    const std::string_view second = rest.substr(space + 1);
    const auto [end1, error1] =
        std::from_chars(first.data(), first.data() + first.size(), sequence);
    const auto [end2, error2] =
        std::from_chars(second.data(), second.data() + second.size(), madeNs);
    if (error1 != std::errc() || error2 != std::errc() || end1 != first.data() + first.size() ||
        end2 != second.data() + second.size() || sequence == 0)
        return;
    marks.sequence = sequence;
    marks.madeNs = madeNs;
}

FolderMarks ReadMarks(FileServices& files, const std::string& folder)
{
    FolderMarks marks;
    for (const std::string& entry : files.ListFolder(folder)) {
        if (entry == kManualMark) {
            marks.manual = true;
        } else if (entry == kPinnedMark) {
            marks.pinned = true;
        } else if (entry == kWorldClosedMark) {
            marks.worldClosed = true;
        } else if (entry == kMadeMark) {
            ReadMadeMark(files, folder + "/" + entry, marks);
        } else if (entry == kCheckMark || entry == kManifestName) {
            continue;
        } else if (marks.saveName.empty()) {
            // The save is the one folder in it, whatever its name, a leading dot included.
            const FileStatus status = files.Status(folder + "/" + entry);
            if (status.isFolder && !status.isLink)
                marks.saveName = entry;
        }
    }
    return marks;
}

// The folders in the data folder whose names `wanted` accepts, in no particular order.
std::vector<WholeSaveBackup> BackupFolders(FileServices& files,
                                           bool (*wanted)(const std::string& name),
                                           std::vector<std::string>* links)
{
    std::vector<WholeSaveBackup> backups;
    for (const std::string& name : files.ListFolder(files.AppDir())) {
        if (!wanted(name))
            continue;
        WholeSaveBackup backup;
        backup.path = files.AppDir() + "/" + name;
        const FileStatus status = files.Status(backup.path);
        if (status.isLink && links != nullptr)
            links->push_back(backup.path);
        if (!status.isFolder || status.isLink)
            continue;
        const FolderMarks marks = ReadMarks(files, backup.path);
        backup.madeNs = marks.sequence > 0 ? marks.madeNs : status.modifiedNs;
        backup.sequence = marks.sequence;
        backup.saveName = marks.saveName;
        backup.manual = marks.manual;
        backup.pinned = marks.pinned;
        backup.check = ReadCheckRecord(files, backup.path);
        backup.worldClosed = marks.worldClosed;
        backups.push_back(std::move(backup));
    }
    return backups;
}

void AddFile(FileServices& files, const std::string& path, BackupEntry::Kind kind,
             std::vector<BackupEntry>& entries)
{
    const FileStatus status = files.Status(path);
    if (!status.isFile)
        return;
    BackupEntry entry;
    entry.path = path;
    entry.kind = kind;
    entry.madeNs = status.modifiedNs;
    entry.bytes = status.size;
    entry.pinned = files.Status(PinMarkPath(entry)).isFile;
    entry.note = ReadNote(files, entry);
    entries.push_back(std::move(entry));
}

// The copies of level.dat in `folder`; their temporaries end in ".saving", their marks in
// ".pinned".
void AddFiles(FileServices& files, const std::string& folder, BackupEntry::Kind kind,
              std::vector<BackupEntry>& entries)
{
    for (const std::string& name : files.ListFolder(folder)) {
        if (name.ends_with(kLevelCopyExtension))
            AddFile(files, folder + "/" + name, kind, entries);
    }
}

} // namespace

bool IsWholeSaveBackupName(const std::string& name)
{
    std::string_view rest = name;
    if (!Skip(rest, kWholeSaveNumberOpen) || !SkipDigits(rest, 9) ||
        !Skip(rest, kWholeSaveNumberClose) || !SkipDigits(rest, 2) || !Skip(rest, "_") ||
        !SkipDigits(rest, 2) || !Skip(rest, "_") || !SkipDigits(rest, 2))
        return false;
    if (rest.empty())
        return true;
    return Skip(rest, " (") && SkipDigits(rest, 5) && rest == ")";
}

bool IsProgramFileName(const std::string& name)
{
    static constexpr std::array<std::string_view, 12> kNames = {
        kSettingsFileName,      kOptionsFileName,  kHotkeysFileName,   kQuickSlotName,
        kCharacterBackupFolder, kSafetyCopyFolder, kPartialBackupName, kProgramName,
        kRestoreJournalName,    kRestoreAsideName, kOffsiteQueueName,  kOffsiteStagingName};
    const std::string_view view = name;
    return std::find(kNames.begin(), kNames.end(), view) != kNames.end() ||
           view.starts_with(kLockFileName) || view.ends_with(kTemporarySuffix) ||
           IsWholeSaveBackupName(name) || IsBeforeRestoreName(name);
}

bool IsBeforeRestoreName(const std::string& name)
{
    return name.starts_with(kBeforeRestorePrefix);
}

std::string SaveNameIn(FileServices& files, const std::string& backupFolder)
{
    return ReadMarks(files, backupFolder).saveName;
}

bool WholeSaveBackup::MadeBefore(const WholeSaveBackup& other) const
{
    // Numbered backups came after every one made before the numbers, in the order of the
    // numbers; only those older ones are left to their times.
    if (sequence != other.sequence)
        return sequence < other.sequence;
    return madeNs != other.madeNs ? madeNs < other.madeNs : path < other.path;
}

std::vector<WholeSaveBackup> ListWholeSaveBackups(FileServices& files,
                                                  std::vector<std::string>* links)
{
    std::vector<WholeSaveBackup> backups = BackupFolders(files, IsWholeSaveBackupName, links);
    std::sort(backups.begin(), backups.end(),
              [](const auto& a, const auto& b) { return a.MadeBefore(b); });
    return backups;
}

std::string MadeMarkText(std::uint64_t sequence, std::int64_t madeNs)
{
    return std::to_string(sequence) + " " + std::to_string(madeNs);
}

DiskUsage MeasureWholeSaveBackups(FileServices& files)
{
    std::vector<std::string> folders;
    for (const WholeSaveBackup& backup : ListWholeSaveBackups(files))
        folders.push_back(backup.path);
    return files.MeasureDiskUsage(folders);
}

std::vector<BackupEntry> ListBackups(FileServices& files)
{
    const std::string data = files.AppDir() + "/";
    std::vector<BackupEntry> entries;
    const auto wanted = [](const std::string& name) {
        return IsWholeSaveBackupName(name) || IsBeforeRestoreName(name);
    };
    for (const WholeSaveBackup& folder : BackupFolders(files, wanted, nullptr)) {
        BackupEntry entry;
        entry.path = folder.path;
        entry.kind = folder.path.starts_with(data + kBeforeRestorePrefix)
                         ? BackupEntry::Kind::BeforeRestore
                         : BackupEntry::Kind::WholeSave;
        entry.saveName = folder.saveName;
        entry.madeNs = folder.madeNs;
        entry.pinned = folder.pinned;
        entry.check = folder.check;
        entry.worldClosed = folder.worldClosed;
        entry.note = ReadNote(files, entry);
        const DiskUsage usage = files.MeasureDiskUsage({entry.path});
        entry.bytes = usage.total;
        entry.unsharedBytes = usage.unshared;
        entries.push_back(std::move(entry));
    }
    AddFiles(files, data + kCharacterBackupFolder, BackupEntry::Kind::Character, entries);
    AddFiles(files, data + kSafetyCopyFolder, BackupEntry::Kind::BeforeOverwrite, entries);
    AddFile(files, data + kQuickSlotName, BackupEntry::Kind::QuickSlot, entries);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.madeNs != b.madeNs ? a.madeNs > b.madeNs : a.path < b.path;
    });
    return entries;
}

std::string PinMarkPath(const BackupEntry& entry)
{
    return entry.IsFolder() ? entry.path + "/" + kPinnedMark : entry.path + kPinnedMark;
}

std::error_code ChangeMark(FileServices& files, const BackupEntry& entry,
                           const std::function<std::error_code()>& change)
{
    const FileStatus before = files.Status(entry.path);
    if (before.error)
        return before.error;
    if (auto error = change())
        return error;
    return entry.IsFolder() ? files.SetModified(entry.path, before.modifiedNs) : std::error_code{};
}

std::error_code SetPinned(FileServices& files, const BackupEntry& entry, bool pinned)
{
    if (!entry.CanPin())
        return std::make_error_code(std::errc::operation_not_supported);
    const std::string mark = PinMarkPath(entry);
    const bool marked = !files.FirstEntry(mark).empty();
    if (marked == pinned)
        return {};
    return ChangeMark(files, entry, [&] {
        return pinned ? files.WriteOneLine(mark, "") : files.DeleteFile(mark);
    });
}

} // namespace saver
