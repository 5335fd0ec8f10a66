// SPDX-License-Identifier: GPL-3.0-or-later
#include "RestoreJournal.h"

#include "DataLayout.h"
#include "SafeFileOps.h"

#include <array>

namespace saver {
namespace {

// Fields apart from the last contain no tab; the last, the save's place, may.
constexpr char kSeparator = '\t';

} // namespace

RestorePlaces::RestorePlaces(const FileServices& files, const RestoreRecord& record)
    : saveName(record.target.substr(record.target.rfind('/') + 1)), target(record.target),
      partial(FolderOf(record.target) + "/" + kRestorePartialName),
      incoming(partial + "/" + saveName), asideFolder(files.AppDir() + "/" + kRestoreAsideName),
      aside(asideFolder + "/" + saveName), keptFolder(files.AppDir() + "/" + record.keptName),
      kept(keptFolder + "/" + saveName),
      replaced(FolderOf(record.target) + "/" + kRestoreReplacedName)
{
}

std::string RestoreJournalPath(const FileServices& files)
{
    return files.AppDir() + "/" + kRestoreJournalName;
}

std::error_code WriteRestoreRecord(FileServices& files, const RestoreRecord& record)
{
    const std::string line =
        std::string(record.mode == RestoreRecord::Mode::Copy ? "copy" : "rename") + kSeparator +
        (record.hadSave ? "1" : "0") + kSeparator + (record.keptWhole ? "1" : "0") + kSeparator +
        record.keptName + kSeparator + record.target;
    return ReplaceAtomically(files, RestoreJournalPath(files), [&](const std::string& temporary) {
        return files.WriteOneLine(temporary, line);
    });
}

StoredRestoreRecord ReadRestoreRecord(FileServices& files)
{
    StoredRestoreRecord stored;
    const FirstLine line = files.ReadFirstLine(RestoreJournalPath(files));
    if (line.error == std::errc::no_such_file_or_directory)
        return stored;
    stored.present = true;
    std::array<std::string, 4> fields;
    std::size_t start = 0;
    for (std::string& field : fields) {
        const std::size_t end = line.text.find(kSeparator, start);
        if (line.error || end == std::string::npos)
            return stored;
        field = line.text.substr(start, end - start);
        start = end + 1;
    }
    RestoreRecord record;
    record.target = line.text.substr(start);
    record.keptName = fields[3];
    const auto flag = [](const std::string& field) { return field == "0" || field == "1"; };
    if ((fields[0] != "rename" && fields[0] != "copy") || !flag(fields[1]) || !flag(fields[2]) ||
        record.keptName.empty() || FolderOf(record.target).empty())
        return stored;
    record.mode = fields[0] == "copy" ? RestoreRecord::Mode::Copy : RestoreRecord::Mode::Rename;
    record.hadSave = fields[1] == "1";
    record.keptWhole = fields[2] == "1";
    stored.record = record;
    return stored;
}

} // namespace saver
