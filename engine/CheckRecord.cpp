// SPDX-License-Identifier: GPL-3.0-or-later
#include "CheckRecord.h"

#include "DataLayout.h"
#include "SafeFileOps.h"
#include "TextLines.h"

#include <array>
#include <utility>

namespace saver {
namespace {

// "mcsaver-check 1 <state> <manifest problem> <made> <manifest size> <manifest time>", then a
// line per file "<kind> <escaped path>", then "end". The manifest's size and time tell whether
// it is still the one that was checked against.
constexpr std::string_view kHeader = "mcsaver-check 1";
constexpr std::string_view kEnd = "end";
constexpr std::array<std::string_view, 3> kStates = {"unchecked", "good", "damaged"};
constexpr std::array<std::string_view, 3> kKinds = {"damaged", "missing", "extra"};
// A record names at most this many files; a check that found more is damaged all the same.
constexpr std::size_t kMostNamed = 1000;

template <typename Record> auto& Files(Record& record, std::size_t kind)
{
    return kind == 0 ? record.damaged : kind == 1 ? record.missing : record.extra;
}

template <std::size_t N>
int IndexOf(const std::array<std::string_view, N>& words, std::string_view word)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (words[i] == word)
            return static_cast<int>(i);
    }
    return -1;
}

std::string CheckPath(const std::string& backupFolder)
{
    return backupFolder + "/" + kCheckMark;
}

// The manifest's size and time as "<size> <time>", or "0 0" without one.
std::string ManifestStamp(FileServices& files, const std::string& backupFolder)
{
    const FileStatus status = files.Status(backupFolder + "/" + kManifestName);
    return status.isFile ? std::to_string(status.size) + " " + std::to_string(status.modifiedNs)
                         : "0 0";
}

std::string CheckText(const CheckRecord& record, const std::string& stamp)
{
    std::string text = std::string(kHeader) + " " +
                       std::string(kStates[static_cast<std::size_t>(record.state)]) + " " +
                       std::to_string(static_cast<int>(record.manifestProblem)) + " " +
                       (record.manifestMade ? "1 " : "0 ") + stamp + "\n";
    std::size_t named = 0;
    for (std::size_t kind = 0; kind < kKinds.size(); ++kind) {
        for (const std::string& path : Files(record, kind)) {
            if (named++ < kMostNamed)
                text += std::string(kKinds[kind]) + " " + EscapedLine(path) + "\n";
        }
    }
    return text + std::string(kEnd) + "\n";
}

// The record, and the manifest stamp it was made with.
std::pair<CheckRecord, std::string> ParseCheck(std::string_view text)
{
    CheckRecord record;
    const std::size_t end = text.find('\n');
    std::string_view header = text.substr(0, end);
    if (end == std::string_view::npos || !header.starts_with(kHeader))
        return {};
    header.remove_prefix(kHeader.size());
    TakeWord(header);
    const int state = IndexOf(kStates, TakeWord(header));
    int problem = -1;
    const bool problemRead = ParseWhole(TakeWord(header), problem);
    const std::string_view made = TakeWord(header);
    if (state < 0 || !problemRead || problem < 0 ||
        problem > static_cast<int>(ManifestProblem::Newer) || (made != "0" && made != "1"))
        return {};
    record.state = static_cast<CheckRecord::State>(state);
    record.manifestProblem = static_cast<ManifestProblem>(problem);
    record.manifestMade = made == "1";
    const std::string stamp(header);
    text.remove_prefix(end + 1);
    while (true) {
        const std::size_t lineEnd = text.find('\n');
        if (lineEnd == std::string_view::npos)
            return {};
        std::string_view line = text.substr(0, lineEnd);
        text.remove_prefix(lineEnd + 1);
        if (line == kEnd)
            break;
        const int kind = IndexOf(kKinds, TakeWord(line));
        std::string path;
        if (kind < 0 || !UnescapeLine(line, path))
            return {};
        Files(record, static_cast<std::size_t>(kind)).push_back(std::move(path));
    }
    // Damage without a file named, or a good check with one, is no record this version wrote.
    const bool consistent =
        (record.state == CheckRecord::State::Damaged) == (record.Problems() > 0);
    if (!text.empty() || !consistent)
        return {};
    return {std::move(record), stamp};
}

} // namespace

CheckRecord ReadCheckRecord(FileServices& files, const std::string& backupFolder)
{
    CheckRecord none;
    none.manifestProblem = ManifestHeaderProblem(files, backupFolder);
    if (none.manifestProblem != ManifestProblem::None)
        return none;
    std::string text;
    if (files.ReadChunks(
            CheckPath(backupFolder), [&](std::string_view piece) { text += piece; }, {},
            DiskPriority::Normal))
        return none;
    auto [record, stamp] = ParseCheck(text);
    if (stamp.empty())
        return none;
    if (stamp != ManifestStamp(files, backupFolder)) {
        none.outdated = true;
        return none;
    }
    return record;
}

std::error_code WriteCheckRecord(FileServices& files, const std::string& backupFolder,
                                 const CheckRecord& record)
{
    const FileStatus before = files.Status(backupFolder);
    if (before.error)
        return before.error;
    const std::string text = CheckText(record, ManifestStamp(files, backupFolder));
    if (const std::error_code error =
            ReplaceAtomically(files, CheckPath(backupFolder), [&](const std::string& temporary) {
                return files.WriteText(temporary, text);
            }))
        return error;
    return files.SetModified(backupFolder, before.modifiedNs);
}

} // namespace saver
