// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Win32.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace saver {

// A Windows file time as nanoseconds since 1970, the engine's measure, and back.
std::int64_t NsSince1970(const FILETIME& time);
FILETIME FileTimeOf(std::int64_t nsSince1970);

// What GetFileInformationByHandle tells of an open file or folder.
struct FileFacts
{
    std::error_code error;
    bool isFolder = false;
    bool isLink = false; // a reparse point: a symbolic link or a junction
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0; // since 1970, as on Linux
    std::uint64_t volume = 0;
    std::uint64_t index = 0; // with `volume`, names the file whatever its name
    std::uint32_t links = 0;
};

// An open file or folder, closed when it goes.
class FileHandle
{
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    FileFacts Facts() const;
    std::error_code WriteAll(std::string_view bytes) const;
    std::error_code SetModified(std::int64_t modifiedNs) const;
    // Flushes what was written to the disk, then closes.
    std::error_code FlushAndClose();

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// Opens a file or a folder, sharing it in every way: the game must still be able to write,
// rename and delete a file while a copy reads it. Links are followed unless `flags` holds
// FILE_FLAG_OPEN_REPARSE_POINT.
FileHandle OpenShared(const std::string& path, DWORD access, DWORD disposition = OPEN_EXISTING,
                      DWORD flags = 0);
FileHandle OpenShared(const std::wstring& path, DWORD access, DWORD disposition = OPEN_EXISTING,
                      DWORD flags = 0);

} // namespace saver
