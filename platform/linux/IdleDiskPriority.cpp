// SPDX-License-Identifier: GPL-3.0-or-later
#include "IdleDiskPriority.h"

#include <linux/ioprio.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace saver {

IdleDiskPriority::IdleDiskPriority()
    : m_saved(static_cast<int>(::syscall(SYS_ioprio_get, IOPRIO_WHO_PROCESS, 0))),
      m_set(m_saved >= 0 && ::syscall(SYS_ioprio_set, IOPRIO_WHO_PROCESS, 0,
                                      IOPRIO_PRIO_VALUE(IOPRIO_CLASS_IDLE, 0)) == 0)
{
}

IdleDiskPriority::~IdleDiskPriority()
{
    // Puts back a value the kernel handed out a moment ago, which it does not refuse.
    if (m_set) {
        ::syscall(SYS_ioprio_set, IOPRIO_WHO_PROCESS, 0, m_saved);
    }
}

} // namespace saver
