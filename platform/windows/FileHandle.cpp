// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileHandle.h"

#include "WidePath.h"
#include "WinError.h"

#include <algorithm>
#include <utility>

namespace saver {
namespace {

// FILETIME counts 100 ns steps since 1601.
constexpr std::int64_t kFrom1601To1970 = 116'444'736'000'000'000;

std::uint64_t Join(DWORD high, DWORD low)
{
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

} // namespace

std::int64_t NsSince1970(const FILETIME& time)
{
    const auto ticks = static_cast<std::int64_t>(Join(time.dwHighDateTime, time.dwLowDateTime));
    return (ticks - kFrom1601To1970) * 100;
}

FILETIME FileTimeOf(std::int64_t nsSince1970)
{
    const auto ticks = static_cast<std::uint64_t>(nsSince1970 / 100 + kFrom1601To1970);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE))
{
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    std::swap(m_handle, other.m_handle);
    return *this;
}

FileHandle::~FileHandle()
{
    if (IsOpen()) {
        ::CloseHandle(m_handle);
    }
}

FileFacts FileHandle::Facts() const
{
    // A handle that did not open carries the reason for it in the thread's last error.
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!IsOpen() || !::GetFileInformationByHandle(m_handle, &info)) {
        return {LastWinError()};
    }
    FileFacts facts;
    facts.isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.isLink = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    facts.modifiedNs = NsSince1970(info.ftLastWriteTime);
    facts.volume = info.dwVolumeSerialNumber;
    facts.index = Join(info.nFileIndexHigh, info.nFileIndexLow);
    facts.links = info.nNumberOfLinks;
    return facts;
}

std::error_code FileHandle::WriteAll(std::string_view bytes) const
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        DWORD step = 0;
        const auto wanted =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1 << 20));
        if (!::WriteFile(m_handle, bytes.data() + written, wanted, &step, nullptr)) {
            return LastWinError();
        }
        written += step;
    }
    return {};
}

std::error_code FileHandle::SetModified(std::int64_t modifiedNs) const
{
    const FILETIME time = FileTimeOf(modifiedNs);
    return ::SetFileTime(m_handle, nullptr, nullptr, &time) ? std::error_code{} : LastWinError();
}

std::error_code FileHandle::FlushAndClose()
{
    std::error_code error;
    if (!::FlushFileBuffers(m_handle)) {
        error = LastWinError();
    }
    if (!::CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE)) && !error) {
        error = LastWinError();
    }
    return error;
}

FileHandle OpenShared(const std::string& path, DWORD access, DWORD disposition, DWORD flags)
{
    return OpenShared(WidePath(path), access, disposition, flags);
}

FileHandle OpenShared(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags)
{
    // Backup semantics is what lets a folder be opened at all.
    return FileHandle(::CreateFileW(
        path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        disposition, flags | FILE_FLAG_BACKUP_SEMANTICS | FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace saver
