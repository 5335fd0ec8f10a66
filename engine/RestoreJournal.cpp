// SPDX-License-Identifier: GPL-3.0-or-later
#include "RestoreJournal.h"

#include "DataLayout.h"
#include "SafeFileOps.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace saver {
namespace {

// Fields apart from the last contain no tab; the last, the save's place, may.
constexpr char kSeparator = '\t';
constexpr std::array kModes = {RestoreRecord::Mode::Rename, RestoreRecord::Mode::Copy,
                               RestoreRecord::Mode::Partial};
// What the services read of a first line, less its line end.
constexpr std::size_t kMostRecordBytes = 32 * 1024 - 2;

const char* ModeName(RestoreRecord::Mode mode)
{
    switch (mode) {
    case RestoreRecord::Mode::Rename:
        return "rename";
    case RestoreRecord::Mode::Copy:
        return "copy";
    case RestoreRecord::Mode::Partial:
        return "partial";
    }
    return "";
}

// The fixed fields, for a partial restore the count and names of what it adds, then the place.
std::string RecordLine(const RestoreRecord& record)
{
    std::string line = std::string(ModeName(record.mode)) + kSeparator +
                       (record.hadSave ? "1" : "0") + kSeparator + (record.keptWhole ? "1" : "0") +
                       kSeparator + record.keptName + kSeparator;
    if (record.mode == RestoreRecord::Mode::Partial) {
        line += std::to_string(record.added.size()) + kSeparator;
        for (const std::string& name : record.added)
            line += name + kSeparator;
    }
    return line + record.target;
}

// The next field of `line` from `start`, which then points past it; nothing at the end.
std::optional<std::string> NextField(const std::string& line, std::size_t& start)
{
    const std::size_t end = line.find(kSeparator, start);
    if (end == std::string::npos)
        return std::nullopt;
    std::string field = line.substr(start, end - start);
    start = end + 1;
    return field;
}

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

bool RestoreRecordFits(const RestoreRecord& record)
{
    const auto hasTab = [](const std::string& name) {
        return name.find_first_of("\t\r\n") != std::string::npos;
    };
    return RecordLine(record).size() <= kMostRecordBytes &&
           std::none_of(record.added.begin(), record.added.end(), hasTab);
}

std::error_code WriteRestoreRecord(FileServices& files, const RestoreRecord& record)
{
    const std::string line = RecordLine(record);
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
    if (line.error)
        return stored;
    std::array<std::string, 4> fields;
    std::size_t start = 0;
    for (std::string& field : fields) {
        const std::optional<std::string> next = NextField(line.text, start);
        if (!next)
            return stored;
        field = *next;
    }
    RestoreRecord record;
    const auto mode = std::find_if(kModes.begin(), kModes.end(), [&](RestoreRecord::Mode known) {
        return fields[0] == ModeName(known);
    });
    if (mode == kModes.end())
        return stored;
    record.mode = *mode;
    if (record.mode == RestoreRecord::Mode::Partial) {
        const std::optional<std::string> count = NextField(line.text, start);
        if (!count || count->empty() ||
            count->find_first_not_of("0123456789") != std::string::npos || count->size() > 6)
            return stored;
        for (int n = std::stoi(*count); n > 0; --n) {
            std::optional<std::string> name = NextField(line.text, start);
            if (!name || name->empty())
                return stored;
            record.added.push_back(std::move(*name));
        }
    }
    record.target = line.text.substr(start);
    record.keptName = fields[3];
    const auto flag = [](const std::string& field) { return field == "0" || field == "1"; };
    if (!flag(fields[1]) || !flag(fields[2]) || record.keptName.empty() ||
        FolderOf(record.target).empty())
        return stored;
    record.hadSave = fields[1] == "1";
    record.keptWhole = fields[2] == "1";
    stored.record = record;
    return stored;
}

} // namespace saver
