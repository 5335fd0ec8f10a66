// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoReplaceRename.h"

#include "SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace saver {
namespace {

std::error_code RenameByHand(const std::string& from, const std::string& to)
{
    struct stat info = {};
    if (::lstat(from.c_str(), &info) != 0) {
        return LastError();
    }
    if (S_ISDIR(info.st_mode)) {
        // Folders cannot be hard-linked; checking first leaves a small race, the best such a
        // filesystem allows.
        if (::lstat(to.c_str(), &info) == 0) {
            return ErrorOf(EEXIST);
        }
        if (errno != ENOENT) {
            return LastError();
        }
        return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code{} : LastError();
    }
    // A new hard link never replaces anything, so a file keeps the guarantee.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return LastError();
    }
    if (::unlink(from.c_str()) != 0) {
        const std::error_code error = LastError();
        ::unlink(to.c_str());
        return error;
    }
    return {};
}

} // namespace

std::error_code RenameWithoutReplacing(const std::string& from, const std::string& to,
                                       RenameCall rename)
{
    if (rename(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return LastError();
    }
    return RenameByHand(from, to);
}

} // namespace saver
