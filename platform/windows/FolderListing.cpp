// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderListing.h"

#include "FileHandle.h"
#include "WinError.h"

namespace saver {

FolderListing ListEntries(const std::wstring& folder)
{
    FolderListing listing;
    WIN32_FIND_DATAW found = {};
    const HANDLE search =
        ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        // Only the root of an empty drive lacks "." and "..".
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
            listing.error = LastWinError();
        }
        return listing;
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        listing.entries.push_back(
            {found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
             (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
             (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow,
             NsSince1970(found.ftLastWriteTime)});
    } while (::FindNextFileW(search, &found));
    if (::GetLastError() != ERROR_NO_MORE_FILES) {
        listing.error = LastWinError();
    }
    ::FindClose(search);
    return listing;
}

} // namespace saver
