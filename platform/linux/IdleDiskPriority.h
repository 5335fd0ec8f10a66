// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace saver {

// While it lives, the calling thread's disk reads and writes wait for everybody else's: a
// backup is worth less than the game's own writes and the program's quick save, and a disk
// that is seldom idle still serves it, only later. A kernel that refuses I/O priorities
// copies at the ordinary one, so a refusal changes nothing else.
class IdleDiskPriority
{
public:
    IdleDiskPriority();
    IdleDiskPriority(const IdleDiskPriority&) = delete;
    IdleDiskPriority& operator=(const IdleDiskPriority&) = delete;
    ~IdleDiskPriority();

private:
    int m_saved;
    bool m_set;
};

} // namespace saver
