// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileDescriptor.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <system_error>

namespace saver {

// Keeps the disk writes of a copy close behind it. Each copied file is sent to the disk at
// once, and a thread that finds more than a few MiB still on their way waits for the oldest
// to arrive. Left to the kernel, a whole backup would pile up in memory, and every fsync on
// the filesystem meanwhile (the game's own, the program's quick save) would wait for that
// pile; the syncfs at the end would write all of it after the copying instead of during it.
class WriteBehind
{
public:
    // Takes over `file`, the new copy of `bytes` bytes, and closes it once it is written.
    std::error_code Add(FileDescriptor file, std::uint64_t bytes);
    // Waits for every file still on its way.
    std::error_code Finish();

private:
    // What an ordinary SSD writes in a few tens of milliseconds, the most that a quick save's
    // fsync should wait; more would not make the copy itself much faster.
    static constexpr std::uint64_t kMostBytes = std::uint64_t{12} << 20;
    // Small files weigh little, but each holds a descriptor until it is written.
    static constexpr std::size_t kMostFiles = 64;

    struct Pending
    {
        FileDescriptor file;
        std::uint64_t bytes;
    };

    std::mutex m_mutex;
    std::deque<Pending> m_pending;
    std::uint64_t m_bytes = 0;
};

} // namespace saver
