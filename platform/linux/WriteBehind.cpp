// SPDX-License-Identifier: GPL-3.0-or-later
#include "WriteBehind.h"

#include "SystemError.h"

#include <fcntl.h>

namespace saver {
namespace {

// Asks the kernel to write `fd`'s data to the disk: with `wait`, and returns once it is there.
std::error_code WriteBack(int fd, bool wait)
{
    const unsigned flags =
        wait ? SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER
             : SYNC_FILE_RANGE_WRITE;
    if (::sync_file_range(fd, 0, 0, flags) == 0) {
        return {};
    }
    // Filesystems without it still get their data written by the syncfs at the end.
    return errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ? std::error_code{}
                                                                     : LastError();
}

std::error_code Written(FileDescriptor& file)
{
    if (const std::error_code error = WriteBack(file.Get(), true)) {
        return error;
    }
    return file.Close();
}

} // namespace

std::error_code WriteBehind::Add(FileDescriptor file, std::uint64_t bytes)
{
    if (const std::error_code error = WriteBack(file.Get(), false)) {
        return error;
    }
    std::unique_lock lock(m_mutex);
    m_pending.push_back({std::move(file), bytes});
    m_bytes += bytes;
    while (m_bytes > kMostBytes || m_pending.size() > kMostFiles) {
        Pending oldest = std::move(m_pending.front());
        m_pending.pop_front();
        m_bytes -= oldest.bytes;
        lock.unlock();
        if (const std::error_code error = Written(oldest.file)) {
            return error;
        }
        lock.lock();
    }
    return {};
}

std::error_code WriteBehind::Finish()
{
    const std::lock_guard lock(m_mutex);
    while (!m_pending.empty()) {
        Pending oldest = std::move(m_pending.front());
        m_pending.pop_front();
        if (const std::error_code error = Written(oldest.file)) {
            return error;
        }
    }
    m_bytes = 0;
    return {};
}

} // namespace saver
