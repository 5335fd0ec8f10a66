// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <string_view>
#include <system_error>

namespace saver {

// Owns one open file descriptor, so that every early return closes it.
class FileDescriptor
{
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.Release()) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    ~FileDescriptor();

    int Get() const noexcept { return m_fd; }
    bool IsOpen() const noexcept { return m_fd >= 0; }
    int Release() noexcept;

    // Writes every byte at `offset` on, going on after partial writes; a write that stops
    // short without an error means the disk is full.
    std::error_code WriteAll(std::string_view bytes, off_t offset) const;
    // Closes now and reports what close says: some filesystems only report a failed write here.
    std::error_code Close();

private:
    int m_fd = -1;
};

} // namespace saver
