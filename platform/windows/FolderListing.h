// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace saver {

// One name in a folder, as the listing describes it: links are not followed.
struct FolderEntry
{
    std::wstring name;
    bool isFolder = false;
    bool isLink = false; // a reparse point: a symbolic link or a junction
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;

    bool IsFile() const { return !isFolder && !isLink; }
};

struct FolderListing
{
    std::error_code error;
    std::vector<FolderEntry> entries; // without "." and ".."
};

// `folder` is a path as WidePath gives it.
FolderListing ListEntries(const std::wstring& folder);

} // namespace saver
