// SPDX-License-Identifier: GPL-3.0-or-later
#include "TreeSurvey.h"

#include "FileHandle.h"
#include "FolderListing.h"
#include "SharingRule.h"
#include "WidePath.h"
#include "WinError.h"

#include <algorithm>
#include <set>
#include <utility>

namespace saver {
namespace {

// Calls `visit` with the path and entry of everything below `root`; a false answer keeps it
// out of a folder. Stops at the first error.
template <typename Visit> std::error_code Walk(const std::string& root, Visit& visit)
{
    FolderListing listing = ListEntries(WidePath(root));
    if (listing.error) {
        return listing.error;
    }
    for (const FolderEntry& entry : listing.entries) {
        const std::string path = root + "/" + Utf8Text(entry.name);
        if (visit(path, entry) && entry.isFolder && !entry.isLink) {
            if (const std::error_code error = Walk(path, visit)) {
                return error;
            }
        }
    }
    return {};
}

// What the listing of its folder says of `path`; the error when it is not there.
std::error_code Describe(const std::string& path, FolderEntry& entry)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
        return LastWinError();
    }
    entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.modifiedNs = NsSince1970(data.ftLastWriteTime);
    return {};
}

} // namespace

CopyPlan PlanFolderCopy(const std::string& from, const FolderCopyOptions& options)
{
    CopyPlan plan;
    std::uint64_t entries = 0;
    bool unchanged = !options.shareFrom.empty();
    auto visit = [&](const std::string& path, const FolderEntry& entry) {
        if (options.leaveOut && options.leaveOut(path)) {
            return false;
        }
        ++entries;
        FolderEntry counterpart;
        const bool found = !options.shareFrom.empty() &&
                           !Describe(options.shareFrom + path.substr(from.size()), counterpart);
        if (!found || entry.isFolder != counterpart.isFolder ||
            entry.isLink != counterpart.isLink ||
            (entry.IsFile() && !SameSizeAndTime(entry, counterpart))) {
            unchanged = false;
        }
        if (entry.IsFile() && !(found && MayShare(entry, counterpart, options.shareOlderThanNs))) {
            plan.bytesToCopy += entry.size;
        }
        return true;
    };
    plan.error = Walk(from, visit);
    if (unchanged && !plan.error) {
        std::uint64_t earlier = 0;
        auto count = [&](const std::string&, const FolderEntry&) { return ++earlier, true; };
        plan.error = Walk(options.shareFrom, count);
        unchanged = earlier == entries;
    }
    plan.unchanged = unchanged && !plan.error;
    return plan;
}

DiskUsage MeasureFolders(const std::vector<std::string>& folders)
{
    DiskUsage usage;
    std::set<std::pair<std::uint64_t, std::uint64_t>> counted;
    auto visit = [&](const std::string& path, const FolderEntry& entry) {
        if (!entry.IsFile()) {
            return true;
        }
        // Only the open file tells which others are the same file under another name.
        const FileHandle file = OpenShared(path, 0);
        const FileFacts facts = file.Facts();
        FILE_STANDARD_INFO standard = {};
        if (facts.error || !counted.insert({facts.volume, facts.index}).second ||
            !::GetFileInformationByHandleEx(file.Get(), FileStandardInfo, &standard,
                                            sizeof standard)) {
            return true;
        }
        const auto bytes = static_cast<std::uint64_t>(standard.AllocationSize.QuadPart);
        usage.total += bytes;
        if (facts.links == 1) {
            usage.unshared += bytes;
        }
        return true;
    };
    for (const std::string& folder : folders) {
        usage.error = Walk(folder, visit);
        if (usage.error) {
            break;
        }
    }
    return usage;
}

TreeListing ListFolderTree(const std::string& folder)
{
    TreeListing listing;
    auto visit = [&](const std::string& path, const FolderEntry& found) {
        TreeEntry entry;
        entry.path = path.substr(folder.size() + 1);
        if (found.isLink) {
            entry.kind = TreeEntry::Kind::Link;
        } else if (found.isFolder) {
            entry.kind = TreeEntry::Kind::Folder;
        } else {
            entry.kind = TreeEntry::Kind::File;
            entry.size = found.size;
            entry.modifiedNs = found.modifiedNs;
        }
        listing.entries.push_back(std::move(entry));
        return true;
    };
    listing.error = Walk(folder, visit);
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const TreeEntry& a, const TreeEntry& b) { return a.path < b.path; });
    return listing;
}

} // namespace saver
