// SPDX-License-Identifier: GPL-3.0-or-later
#include "OffsiteRecord.h"

#include "DataLayout.h"
#include "SafeFileOps.h"

#include <algorithm>
#include <string_view>

namespace saver {
namespace {

constexpr std::string_view kFailed = "failed";

std::string NameOf(const std::string& folder)
{
    return folder.substr(folder.find_last_of('/') + 1);
}

} // namespace

OffsiteRecord::OffsiteRecord(FileServices& files) : m_files(files) {}

std::string OffsiteRecord::QueuePath() const
{
    return m_files.AppDir() + "/" + kOffsiteQueueName;
}

// A folder name holds no '/', which makes it the separator of the one line.
std::vector<std::string> OffsiteRecord::Waiting()
{
    std::vector<std::string> names;
    if (m_files.FirstEntry(QueuePath()).empty())
        return names;
    const FirstLine line = m_files.ReadFirstLine(QueuePath());
    std::string_view rest = line.error ? std::string_view() : std::string_view(line.text);
    while (!rest.empty()) {
        const std::string_view name = rest.substr(0, rest.find('/'));
        rest.remove_prefix(std::min(rest.size(), name.size() + 1));
        if (IsWholeSaveBackupName(std::string(name)))
            names.emplace_back(name);
    }
    return names;
}

std::error_code OffsiteRecord::SaveWaiting(const std::vector<std::string>& names)
{
    std::string line;
    for (const std::string& name : names)
        line += (line.empty() ? "" : "/") + name;
    return ReplaceAtomically(m_files, QueuePath(), [&](const std::string& temporary) {
        return m_files.WriteOneLine(temporary, line);
    });
}

std::error_code OffsiteRecord::Add(const std::string& backupFolder)
{
    std::vector<std::string> names = Waiting();
    const std::string name = NameOf(backupFolder);
    if (std::find(names.begin(), names.end(), name) != names.end())
        return {};
    names.push_back(name);
    return SaveWaiting(names);
}

std::error_code OffsiteRecord::Remove(const std::string& backupFolder)
{
    std::vector<std::string> names = Waiting();
    const auto gone = std::remove(names.begin(), names.end(), NameOf(backupFolder));
    if (gone == names.end())
        return {};
    names.erase(gone, names.end());
    return SaveWaiting(names);
}

std::error_code OffsiteRecord::Mark(const std::string& backupFolder, const std::string& text)
{
    const FileStatus before = m_files.Status(backupFolder);
    if (before.error)
        return before.error;
    if (auto error = m_files.WriteOneLine(backupFolder + "/" + kOffsiteMark, text))
        return error;
    return m_files.SetModified(backupFolder, before.modifiedNs);
}

std::error_code OffsiteRecord::MarkUploaded(const std::string& backupFolder,
                                            const std::string& snapshotId)
{
    return Mark(backupFolder, snapshotId);
}

std::error_code OffsiteRecord::MarkFailed(const std::string& backupFolder)
{
    return Mark(backupFolder, std::string(kFailed));
}

BackupEntry::Offsite OffsiteRecord::StateOf(const std::string& backupFolder,
                                            const std::vector<std::string>& waiting)
{
    using Offsite = BackupEntry::Offsite;
    if (std::find(waiting.begin(), waiting.end(), NameOf(backupFolder)) != waiting.end())
        return Offsite::Waiting;
    const std::string mark = backupFolder + "/" + kOffsiteMark;
    if (m_files.FirstEntry(mark).empty())
        return Offsite::None;
    const FirstLine line = m_files.ReadFirstLine(mark);
    return line.error || line.text == kFailed ? Offsite::Failed : Offsite::Uploaded;
}

void OffsiteRecord::Describe(std::vector<BackupEntry>& entries)
{
    const std::vector<std::string> waiting = Waiting();
    for (BackupEntry& entry : entries) {
        if (entry.kind == BackupEntry::Kind::WholeSave)
            entry.offsite = StateOf(entry.path, waiting);
    }
}

} // namespace saver
