// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileDescriptor.h"

#include "SystemError.h"

#include <unistd.h>

namespace saver {

FileDescriptor::~FileDescriptor()
{
    if (IsOpen()) {
        ::close(m_fd);
    }
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        if (IsOpen()) {
            ::close(m_fd);
        }
        m_fd = other.Release();
    }
    return *this;
}

int FileDescriptor::Release() noexcept
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

std::error_code FileDescriptor::WriteAll(std::string_view bytes, off_t offset) const
{
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(m_fd, bytes.data(), bytes.size(), offset);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        if (written == 0) {
            return ErrorOf(ENOSPC);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return {};
}

std::error_code FileDescriptor::Close()
{
    // Linux releases the descriptor even when close fails, so it must never be closed twice.
    if (::close(Release()) != 0 && errno != EINTR) {
        return LastError();
    }
    return {};
}

} // namespace saver
