// SPDX-License-Identifier: GPL-3.0-or-later
#include "SessionLock.h"

#include "FileDescriptor.h"

#include <fcntl.h>

#include <cerrno>

namespace saver {
namespace {

bool AskForConflict(int fd, int command, struct flock& probe)
{
    probe = {};
    // A write lock conflicts with every other lock, shared or not, over the whole file.
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    return ::fcntl(fd, command, &probe) == 0;
}

} // namespace

bool IsLockedByAnotherProcess(const std::string& path)
{
    // Reading is enough to ask, and opening never blocks or changes the file. Closing the
    // descriptor drops this process's own locks on the file, of which it takes none.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!file.IsOpen()) {
        return false;
    }
    struct flock probe = {};
    // Kernels before 3.15 know no open file description locks; the older query still sees
    // the locks of every other process.
    if (!AskForConflict(file.Get(), F_OFD_GETLK, probe) &&
        (errno != EINVAL || !AskForConflict(file.Get(), F_GETLK, probe))) {
        return false;
    }
    return probe.l_type != F_UNLCK;
}

} // namespace saver
