// SPDX-License-Identifier: GPL-3.0-or-later
#include "SharingRule.h"

namespace saver {

bool SameSizeAndTime(const FolderEntry& a, const FolderEntry& b)
{
    return a.size == b.size && a.modifiedNs == b.modifiedNs;
}

bool MayShare(const FolderEntry& file, const FolderEntry& counterpart, std::int64_t olderThanNs)
{
    // A file written within the filesystem's timestamp resolution of the earlier copy may
    // have changed again without its time showing it.
    return file.IsFile() && counterpart.IsFile() && SameSizeAndTime(file, counterpart) &&
           file.modifiedNs < olderThanNs;
}

} // namespace saver
