// SPDX-License-Identifier: GPL-3.0-or-later
#include "SharingRule.h"

namespace saver {

std::int64_t ModifiedNs(const struct stat& info)
{
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

bool SameSizeAndTime(const struct stat& a, const struct stat& b)
{
    return a.st_size == b.st_size && ModifiedNs(a) == ModifiedNs(b);
}

bool MayShare(const struct stat& file, const struct stat& counterpart, std::int64_t olderThanNs)
{
    // A file written within the filesystem's timestamp resolution of the earlier copy may
    // have changed again without its time showing it.
    return S_ISREG(file.st_mode) && S_ISREG(counterpart.st_mode) &&
           SameSizeAndTime(file, counterpart) && ModifiedNs(file) < olderThanNs;
}

} // namespace saver
