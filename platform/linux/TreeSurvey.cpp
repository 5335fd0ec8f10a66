// SPDX-License-Identifier: GPL-3.0-or-later
#include "TreeSurvey.h"

#include "SharingRule.h"
#include "SystemError.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <utility>

namespace saver {
namespace {

namespace fs = std::filesystem;

// Calls `visit` with the path and lstat of everything below `root`; stops at the first error.
template <typename Visit> std::error_code Walk(const std::string& root, Visit visit)
{
    std::error_code error;
    fs::recursive_directory_iterator it(root, fs::directory_options::none, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        struct stat info = {};
        if (::lstat(it->path().c_str(), &info) != 0)
            return LastError();
        if (!visit(it->path().string(), info))
            it.disable_recursion_pending();
    }
    return error ? ErrorOf(error.value()) : std::error_code{};
}

} // namespace

CopyPlan PlanFolderCopy(const std::string& from, const FolderCopyOptions& options)
{
    CopyPlan plan;
    std::uint64_t entries = 0;
    bool unchanged = !options.shareFrom.empty();
    plan.error = Walk(from, [&](const std::string& path, const struct stat& info) {
        if (options.leaveOut && options.leaveOut(path))
            return false;
        ++entries;
        struct stat counterpart = {};
        const std::string there = options.shareFrom + path.substr(from.size());
        const bool found = !options.shareFrom.empty() && ::lstat(there.c_str(), &counterpart) == 0;
        if (!found || (info.st_mode & S_IFMT) != (counterpart.st_mode & S_IFMT) ||
            (S_ISREG(info.st_mode) && !SameSizeAndTime(info, counterpart)))
            unchanged = false;
        if (S_ISREG(info.st_mode) &&
            !(found && MayShare(info, counterpart, options.shareOlderThanNs)))
            plan.bytesToCopy += static_cast<std::uint64_t>(info.st_size);
        return true;
    });
    if (unchanged && !plan.error) {
        std::uint64_t earlier = 0;
        plan.error = Walk(options.shareFrom, [&](const std::string&, const struct stat&) {
            ++earlier;
            return true;
        });
        unchanged = earlier == entries;
    }
    plan.unchanged = unchanged && !plan.error;
    return plan;
}

DiskUsage MeasureFolders(const std::vector<std::string>& folders)
{
    DiskUsage usage;
    std::set<std::pair<dev_t, ino_t>> counted;
    for (const std::string& folder : folders) {
        usage.error = Walk(folder, [&](const std::string&, const struct stat& info) {
            if (!S_ISREG(info.st_mode) || !counted.insert({info.st_dev, info.st_ino}).second)
                return true;
            const auto bytes = static_cast<std::uint64_t>(info.st_blocks) * 512;
            usage.total += bytes;
            if (info.st_nlink == 1)
                usage.unshared += bytes;
            return true;
        });
        if (usage.error)
            break;
    }
    return usage;
}

TreeListing ListFolderTree(const std::string& folder)
{
    TreeListing listing;
    listing.error = Walk(folder, [&](const std::string& path, const struct stat& info) {
        TreeEntry entry;
        entry.path = path.substr(folder.size() + 1);
        if (S_ISREG(info.st_mode)) {
            entry.kind = TreeEntry::Kind::File;
            entry.size = static_cast<std::uint64_t>(info.st_size);
            entry.modifiedNs = ModifiedNs(info);
        } else if (S_ISDIR(info.st_mode)) {
            entry.kind = TreeEntry::Kind::Folder;
        } else if (S_ISLNK(info.st_mode)) {
            entry.kind = TreeEntry::Kind::Link;
        }
        listing.entries.push_back(std::move(entry));
        return true;
    });
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const TreeEntry& a, const TreeEntry& b) { return a.path < b.path; });
    return listing;
}

} // namespace saver
