// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemServices.h"

#include "FileHandle.h"
#include "FolderCopier.h"
#include "FolderListing.h"
#include "SettingsFile.h"
#include "WidePath.h"
#include "WinError.h"

#include <vector>

namespace saver {
namespace {

constexpr std::size_t kFirstLineLimit = 32 * 1024;
constexpr std::size_t kReadChunk = 1024 * 1024;

// The program before this one wrote its settings in the ANSI code page (GBK on a Chinese
// Windows); a line that is not UTF-8 is read that way, so the path it holds is kept.
std::string AsUtf8(const std::string& line)
{
    // Where the ANSI code page is UTF-8 itself, such a line is no path that was ever stored.
    if (line.empty() || IsValidUtf8(line) || ::GetACP() == CP_UTF8) {
        return line;
    }
    const int size = static_cast<int>(line.size());
    std::wstring wide(
        static_cast<std::size_t>(::MultiByteToWideChar(CP_ACP, 0, line.data(), size, nullptr, 0)),
        L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, line.data(), size, wide.data(), static_cast<int>(wide.size()));
    return Utf8Text(wide);
}

std::error_code IsADirectory()
{
    return std::make_error_code(std::errc::is_a_directory);
}

// Windows will not delete a read-only file; a backup copied from one must still go.
std::error_code DeleteOneFile(const std::wstring& path)
{
    if (::DeleteFileW(path.c_str())) {
        return {};
    }
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            return IsADirectory();
        }
        if ((attributes & FILE_ATTRIBUTE_READONLY) &&
            ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) &&
            ::DeleteFileW(path.c_str())) {
            return {};
        }
    }
    return WinError(error);
}

// Windows will not remove a folder marked read-only; a backup may hold one that a tool or the
// player marked so, and removing the backup is what was asked.
std::error_code RemoveEmptyFolder(const std::wstring& folder)
{
    if (::RemoveDirectoryW(folder.c_str())) {
        return {};
    }
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY) &&
        ::SetFileAttributesW(folder.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) &&
        ::RemoveDirectoryW(folder.c_str())) {
        return {};
    }
    return WinError(error);
}

std::error_code RemoveTree(const std::wstring& folder)
{
    const FolderListing listing = ListEntries(folder);
    if (listing.error) {
        return listing.error;
    }
    for (const FolderEntry& entry : listing.entries) {
        const std::wstring path = folder + L"\\" + entry.name;
        // A link to a folder is removed as a folder of its own, without entering it.
        std::error_code error;
        if (entry.isFolder && !entry.isLink) {
            error = RemoveTree(path);
        } else if (entry.isFolder) {
            error = RemoveEmptyFolder(path);
        } else {
            error = DeleteOneFile(path);
        }
        if (error) {
            return error;
        }
    }
    return RemoveEmptyFolder(folder);
}

} // namespace

std::string SystemServices::FirstEntry(const std::string& path)
{
    const FileStatus status = Status(path);
    return status.isFile ? path.substr(path.rfind('/') + 1) : std::string();
}

bool SystemServices::FolderExists(const std::string& path)
{
    return Status(path).isFolder;
}

FileStatus SystemServices::Status(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
    const bool isLink =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const FileFacts facts = OpenShared(path, 0).Facts();
    if (facts.error) {
        FileStatus missing{facts.error};
        missing.isLink = isLink;
        return missing;
    }
    return {{}, !facts.isFolder, facts.isFolder, facts.size, facts.modifiedNs, isLink};
}

std::string SystemServices::ResolvedPath(const std::string& path)
{
    const FileHandle file = OpenShared(path, 0);
    if (!file.IsOpen()) {
        return path;
    }
    std::wstring resolved(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = ::GetFinalPathNameByHandleW(
            file.Get(), resolved.data(), static_cast<DWORD>(resolved.size()), FILE_NAME_NORMALIZED);
        if (size == 0) {
            return path;
        }
        if (size < resolved.size()) {
            resolved.resize(size);
            return EnginePath(resolved);
        }
        resolved.resize(size);
    }
}

// The game holds its save's session.lock open without sharing, or locked: either way
// something else has the file.
bool SystemServices::IsLockedByAnotherProcess(const std::string& path)
{
    const FileHandle file = OpenShared(path, GENERIC_READ);
    if (!file.IsOpen()) {
        const DWORD error = ::GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    }
    OVERLAPPED whole = {};
    if (!::LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                      MAXDWORD, &whole)) {
        return ::GetLastError() == ERROR_LOCK_VIOLATION;
    }
    ::UnlockFileEx(file.Get(), 0, MAXDWORD, MAXDWORD, &whole);
    return false;
}

std::vector<std::string> SystemServices::ListFolder(const std::string& path)
{
    std::vector<std::string> names;
    for (const FolderEntry& entry : ListEntries(WidePath(path)).entries) {
        names.push_back(Utf8Text(entry.name));
    }
    return names;
}

std::error_code SystemServices::SetModified(const std::string& path, std::int64_t modifiedNs)
{
    const FileHandle file =
        OpenShared(path, FILE_WRITE_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
    return file.IsOpen() ? file.SetModified(modifiedNs) : LastWinError();
}

std::optional<std::uint64_t> SystemServices::FreeSpace(const std::string& path)
{
    ULARGE_INTEGER available = {};
    if (!::GetDiskFreeSpaceExW((WidePath(path) + L"\\").c_str(), &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    return available.QuadPart;
}

std::error_code SystemServices::MakeDir(const std::string& path)
{
    return ::CreateDirectoryW(WidePath(path).c_str(), nullptr) ? std::error_code{}
                                                               : LastWriteError();
}

std::error_code SystemServices::DeleteFile(const std::string& path)
{
    return DeleteOneFile(WidePath(path));
}

std::error_code SystemServices::RemoveFolder(const std::string& path)
{
    return RemoveTree(WidePath(path));
}

std::error_code SystemServices::CopyFile(const std::string& from, const std::string& to)
{
    const FileHandle source =
        OpenShared(from, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    if (!source.IsOpen()) {
        return LastWinError();
    }
    const FileFacts facts = source.Facts();
    if (facts.error || facts.isFolder) {
        return facts.error ? facts.error : IsADirectory();
    }
    const std::wstring target = WidePath(to);
    FileHandle copy(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy.IsOpen()) {
        return LastWriteError();
    }
    std::string buffer(1 << 20, '\0');
    std::error_code error;
    for (DWORD got = 1; !error && got > 0;) {
        if (!::ReadFile(source.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                        nullptr)) {
            error = LastWinError();
        } else {
            error = copy.WriteAll({buffer.data(), got});
        }
    }
    const std::error_code closed = copy.FlushAndClose();
    if (!error) {
        error = closed;
    }
    if (error) {
        ::DeleteFileW(target.c_str());
    }
    return error;
}

std::error_code SystemServices::Rename(const std::string& from, const std::string& to, bool replace)
{
    // Write-through: the call returns once the new name is on the disk.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    const std::wstring target = WidePath(to);
    if (::MoveFileExW(WidePath(from).c_str(), target.c_str(), flags)) {
        return {};
    }
    const std::error_code error = LastWinError();
    // Windows refuses to replace a folder with a file as it refuses what is not allowed; say
    // what is in the way, as other systems do.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (replace && error == std::errc::permission_denied && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return IsADirectory();
    }
    return error;
}

FolderCopyResult SystemServices::CopyFolder(const std::string& from, const std::string& into,
                                            const FolderCopyOptions& options)
{
    return FolderCopier(options).Run(from, into);
}

FirstLine SystemServices::ReadFirstLine(const std::string& path)
{
    FirstLine line;
    const FileHandle file = OpenShared(path, GENERIC_READ);
    const FileFacts facts = file.Facts();
    if (facts.error || facts.isFolder) {
        line.error = facts.error ? facts.error : IsADirectory();
        return line;
    }
    std::string bytes(kFirstLineLimit, '\0');
    std::size_t filled = 0;
    for (DWORD got = 1; got > 0 && filled < bytes.size(); filled += got) {
        if (!::ReadFile(file.Get(), bytes.data() + filled,
                        static_cast<DWORD>(bytes.size() - filled), &got, nullptr)) {
            line.error = LastWinError();
            return line;
        }
    }
    bytes.resize(filled);
    line.present = filled > 0;
    line.text = AsUtf8(bytes.substr(0, bytes.find_first_of("\r\n")));
    return line;
}

std::error_code SystemServices::WriteText(const std::string& path, const std::string& bytes)
{
    FileHandle file = OpenShared(path, GENERIC_WRITE, CREATE_ALWAYS);
    if (!file.IsOpen()) {
        return LastWriteError();
    }
    const std::error_code error = file.WriteAll(bytes);
    const std::error_code closed = file.FlushAndClose();
    return error ? error : closed;
}

std::error_code SystemServices::ReadChunks(const std::string& path,
                                           const std::function<void(std::string_view)>& take,
                                           const std::stop_token& cancel, DiskPriority priority)
{
    // Background mode lowers the thread's disk priority along with its processor priority.
    const bool background = priority == DiskPriority::Idle &&
                            ::SetThreadPriority(::GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN);
    const std::error_code error = [&] {
        const FileHandle file =
            OpenShared(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
        const FileFacts facts = file.Facts();
        if (facts.error || facts.isFolder) {
            return facts.error ? facts.error : IsADirectory();
        }
        std::vector<char> buffer(kReadChunk);
        while (!cancel.stop_requested()) {
            DWORD got = 0;
            if (!::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                            nullptr)) {
                return LastWinError();
            }
            if (got == 0) {
                return std::error_code{};
            }
            take(std::string_view(buffer.data(), got));
        }
        return std::make_error_code(std::errc::operation_canceled);
    }();
    if (background) {
        ::SetThreadPriority(::GetCurrentThread(), THREAD_MODE_BACKGROUND_END);
    }
    return error;
}

bool SystemServices::SameFile(const std::string& first, const std::string& second)
{
    const FileFacts one = OpenShared(first, FILE_READ_ATTRIBUTES).Facts();
    const FileFacts other = OpenShared(second, FILE_READ_ATTRIBUTES).Facts();
    return !one.error && !other.error && one.volume == other.volume && one.index == other.index;
}

} // namespace saver
