// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupManifest.h"

#include "DataLayout.h"
#include "SafeFileOps.h"
#include "TextLines.h"

#include <algorithm>
#include <utility>

namespace saver {
namespace {

// "<name> <version>" first; "<hash> <size> <time> <shared> <rest>" for each file, where the path
// is the first <shared> bytes of the path before it and then <rest>, escaped; "end <count>" last.
// Sorted paths share their folders, which keeps a manifest of thousands of files small.
constexpr std::string_view kHeaderName = "mcsaver-manifest";
constexpr int kVersion = 1;
constexpr std::string_view kEndWord = "end";
// Far beyond any save's manifest; more is no manifest of ours.
constexpr std::size_t kLargestManifest = 256u << 20;

// Numbers as the program writes them, with no sign or leading zero: a manifest that reads as
// whole is exactly the text this program would write for it.
template <typename Number> bool ParseNumber(std::string_view text, Number& number)
{
    return ParseWhole(text, number) && std::to_string(number) == text;
}

std::size_t SharedLength(std::string_view before, std::string_view path)
{
    return static_cast<std::size_t>(
        std::mismatch(before.begin(), before.end(), path.begin(), path.end()).first -
        before.begin());
}

bool ParseEntry(std::string_view line, const std::string& before, ManifestEntry& entry)
{
    const std::optional<ContentHash> hash = ContentHash::FromText(TakeWord(line));
    std::size_t shared = 0;
    if (!hash || !ParseNumber(TakeWord(line), entry.size) ||
        !ParseNumber(TakeWord(line), entry.modifiedNs) || !ParseNumber(TakeWord(line), shared) ||
        shared > before.size() || line.find('\r') != std::string_view::npos)
        return false;
    entry.hash = *hash;
    entry.path = before.substr(0, shared);
    // Every path sorts after the one before it and shares with it all the front it can.
    return UnescapeLine(line, entry.path) && entry.path > before &&
           SharedLength(before, entry.path) == shared;
}

ManifestProblem HeaderProblem(std::string_view header)
{
    int version = 0;
    if (TakeWord(header) != kHeaderName || !ParseNumber(header, version) || version < 1)
        return ManifestProblem::Garbage;
    return version > kVersion ? ManifestProblem::Newer : ManifestProblem::None;
}

std::string ManifestPath(const std::string& backupFolder)
{
    return backupFolder + "/" + kManifestName;
}

const ContentHash* CopiedHash(const ManifestSource& source, const std::string& path)
{
    if (!source.copied)
        return nullptr;
    const auto found = source.copied->find(path);
    return found == source.copied->end() ? nullptr : &found->second;
}

} // namespace

const ManifestEntry* Manifest::Find(std::string_view path) const
{
    const auto found = std::lower_bound(
        files.begin(), files.end(), path,
        [](const ManifestEntry& e, std::string_view p) { return std::string_view(e.path) < p; });
    return found != files.end() && found->path == path ? &*found : nullptr;
}

std::string ManifestText(const Manifest& manifest)
{
    std::string text = std::string(kHeaderName) + " " + std::to_string(kVersion) + "\n";
    std::string_view before;
    for (const ManifestEntry& entry : manifest.files) {
        const std::size_t shared = SharedLength(before, entry.path);
        text += entry.hash.Text() + " " + std::to_string(entry.size) + " " +
                std::to_string(entry.modifiedNs) + " " + std::to_string(shared) + " " +
                EscapedLine(std::string_view(entry.path).substr(shared)) + "\n";
        before = entry.path;
    }
    return text + std::string(kEndWord) + " " + std::to_string(manifest.files.size()) + "\n";
}

ManifestRead ParseManifest(std::string_view text)
{
    ManifestRead read;
    const std::size_t headerEnd = text.find('\n');
    if (headerEnd == std::string_view::npos) {
        const bool cutHeader =
            kHeaderName.starts_with(text) || HeaderProblem(text) == ManifestProblem::None;
        return {cutHeader ? ManifestProblem::Truncated : HeaderProblem(text), {}};
    }
    if ((read.problem = HeaderProblem(text.substr(0, headerEnd))) != ManifestProblem::None)
        return read;
    text.remove_prefix(headerEnd + 1);
    std::string before;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        // Only the closing line may end the text, and only with its line end.
        if (end == std::string_view::npos)
            return {ManifestProblem::Truncated, {}};
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (line.starts_with(kEndWord) && line.size() > kEndWord.size() &&
            line[kEndWord.size()] == ' ') {
            line.remove_prefix(kEndWord.size() + 1);
            std::size_t count = 0;
            if (!ParseNumber(line, count))
                return {ManifestProblem::Garbage, {}};
            if (count != read.manifest.files.size())
                return {ManifestProblem::Truncated, {}};
            return text.empty() ? read : ManifestRead{ManifestProblem::Garbage, {}};
        }
        ManifestEntry entry;
        if (!ParseEntry(line, before, entry))
            return {ManifestProblem::Garbage, {}};
        before = entry.path;
        read.manifest.files.push_back(std::move(entry));
    }
    return {ManifestProblem::Truncated, {}};
}

ManifestRead ReadManifest(FileServices& files, const std::string& backupFolder)
{
    std::string text;
    bool tooLarge = false;
    const std::error_code error = files.ReadChunks(
        ManifestPath(backupFolder),
        [&](std::string_view piece) {
            tooLarge = tooLarge || text.size() + piece.size() > kLargestManifest;
            if (!tooLarge)
                text += piece;
        },
        {}, DiskPriority::Normal);
    if (error == std::errc::no_such_file_or_directory)
        return {ManifestProblem::Missing, {}};
    if (error)
        return {ManifestProblem::Unreadable, {}};
    return tooLarge ? ManifestRead{ManifestProblem::Garbage, {}} : ParseManifest(text);
}

ManifestProblem ManifestHeaderProblem(FileServices& files, const std::string& backupFolder)
{
    const FirstLine line = files.ReadFirstLine(ManifestPath(backupFolder));
    if (line.error == std::errc::no_such_file_or_directory)
        return ManifestProblem::Missing;
    if (line.error)
        return ManifestProblem::Unreadable;
    return line.present ? HeaderProblem(line.text) : ManifestProblem::Truncated;
}

ManifestMaking MakeManifest(FileServices& files, const std::string& saveCopy,
                            const ManifestSource& source, const std::stop_token& cancel,
                            DiskPriority priority)
{
    ManifestMaking making;
    TreeListing listing = files.ListTree(saveCopy);
    if ((making.error = listing.error)) {
        making.failedPath = saveCopy;
        return making;
    }
    for (TreeEntry& file : listing.entries) {
        if (file.kind != TreeEntry::Kind::File)
            continue;
        ManifestEntry entry{std::move(file.path), file.size, file.modifiedNs, {}};
        const std::string path = saveCopy + "/" + entry.path;
        const ManifestEntry* earlier =
            source.manifest ? source.manifest->Find(entry.path) : nullptr;
        if (earlier && earlier->size == entry.size && earlier->modifiedNs == entry.modifiedNs &&
            files.SameFile(path, source.saveCopy + "/" + entry.path)) {
            entry.hash = earlier->hash;
        } else if (const ContentHash* copied = CopiedHash(source, entry.path)) {
            entry.hash = *copied;
        } else {
            const HashedFile hashed = HashFile(files, path, cancel, priority);
            if ((making.error = hashed.error)) {
                making.failedPath = path;
                return making;
            }
            entry.hash = hashed.hash;
        }
        making.manifest.files.push_back(std::move(entry));
    }
    std::sort(making.manifest.files.begin(), making.manifest.files.end(),
              [](const ManifestEntry& a, const ManifestEntry& b) { return a.path < b.path; });
    return making;
}

std::error_code WriteManifest(FileServices& files, const std::string& backupFolder,
                              const Manifest& manifest)
{
    const std::string text = ManifestText(manifest);
    return ReplaceAtomically(files, ManifestPath(backupFolder), [&](const std::string& temporary) {
        return files.WriteText(temporary, text);
    });
}

} // namespace saver
