// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderCopier.h"

#include "SharingRule.h"
#include "WidePath.h"
#include "WinError.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>
#include <vector>

namespace saver {
namespace {

constexpr std::uint64_t kReportEveryBytes = std::uint64_t{4} << 20;
constexpr DWORD kChunkBytes = 1 << 20;
// A file still changing after this many copies is kept as last copied: a save the game
// writes all the time must not make the backup fail.
constexpr int kCopyTries = 3;
// NTFS refuses the 1,024th name of a file; asking would only fail.
constexpr std::uint32_t kMostLinks = 1023;

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

bool SameFile(const FileFacts& a, const FileFacts& b)
{
    return a.volume == b.volume && a.index == b.index;
}

bool SameContent(const FileFacts& a, const FileFacts& b)
{
    return a.size == b.size && a.modifiedNs == b.modifiedNs;
}

// An entry that vanished between being listed and being opened is no longer part of the
// save (the game replaces files by renaming), so it is passed over instead of failing.
std::error_code UnlessVanished(std::error_code error)
{
    return error == std::errc::no_such_file_or_directory ? std::error_code{} : error;
}

std::error_code Canceled()
{
    return std::make_error_code(std::errc::operation_canceled);
}

std::error_code SetFolderModified(const std::wstring& folder, std::int64_t modifiedNs)
{
    const FileHandle handle = OpenShared(folder, FILE_WRITE_ATTRIBUTES);
    return handle.IsOpen() ? handle.SetModified(modifiedNs) : LastWinError();
}

} // namespace

bool MakeHardLink(const std::wstring& link, const std::wstring& existing)
{
    return ::CreateHardLinkW(link.c_str(), existing.c_str(), nullptr) != 0;
}

bool ReadPart(HANDLE file, char* buffer, DWORD size, DWORD& got)
{
    return ::ReadFile(file, buffer, size, &got, nullptr) != 0;
}

HANDLE CreateCopy(const std::wstring& path)
{
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
}

FolderCopier::FolderCopier(const FolderCopyOptions& options, CopyCalls calls)
    : m_options(options), m_calls(std::move(calls))
{
}

FolderCopyResult FolderCopier::Run(const std::string& from, const std::string& into)
{
    if (Stopped()) {
        return {Canceled()};
    }
    m_root = WithoutTrailingSlashes(from);
    const FileFacts source = OpenShared(m_root, 0).Facts();
    if (source.error || !source.isFolder) {
        return {source.error ? source.error : std::make_error_code(std::errc::not_a_directory)};
    }
    if (m_options.progress) {
        m_bytesTotal = Measure(m_root);
        if (Stopped()) {
            return {Canceled()};
        }
        Report();
    }
    const std::wstring target = WidePath(into + "/" + m_root.substr(m_root.rfind('/') + 1));
    if (!::CreateDirectoryW(target.c_str(), nullptr)) {
        return {LastWriteError()};
    }
    m_copy = OpenShared(target, 0).Facts();
    std::error_code error = m_copy.error ? m_copy.error : FillFolder(m_root, target);
    if (!error) {
        error = SetFolderModified(target, source.modifiedNs);
    }
    m_bytesTotal = m_bytesDone;
    if (!error) {
        Report();
    }
    return {error, m_changedFiles, error ? m_failedPath : std::string()};
}

bool FolderCopier::LeftOut(const std::string& path) const
{
    return m_options.leaveOut && m_options.leaveOut(path);
}

// Errors are ignored here: the copy meets the same entries and reports them properly. A stop
// ends it early, as a big tree takes a while to walk.
std::uint64_t FolderCopier::Measure(const std::string& path) const
{
    std::uint64_t total = 0;
    for (const FolderEntry& entry : ListEntries(WidePath(path)).entries) {
        if (Stopped()) {
            break;
        }
        const std::string inside = path + "/" + Utf8Text(entry.name);
        if (entry.isLink || LeftOut(inside)) {
            continue;
        }
        total += entry.isFolder ? Measure(inside) : entry.size;
    }
    return total;
}

void FolderCopier::Report()
{
    m_reportedAt = m_bytesDone;
    if (m_options.progress) {
        m_options.progress(m_bytesDone, std::max(m_bytesDone, m_bytesTotal));
    }
}

bool FolderCopier::Step(std::uint64_t bytes)
{
    m_bytesDone += bytes;
    if (m_bytesDone >= m_reportedAt + kReportEveryBytes) {
        Report();
    }
    return !Stopped();
}

// The folder's time is set after its contents, whose creation changes it.
std::error_code FolderCopier::FillFolder(const std::string& path, const std::wstring& target)
{
    const FolderListing listing = ListEntries(WidePath(path));
    if (listing.error) {
        m_failedPath = path;
        return listing.error;
    }
    for (const FolderEntry& entry : listing.entries) {
        if (Stopped()) {
            return Canceled();
        }
        if (const std::error_code error = CopyEntry(path, entry, target)) {
            return error;
        }
    }
    return Stopped() ? Canceled() : std::error_code{};
}

std::error_code FolderCopier::CopyEntry(const std::string& path, const FolderEntry& entry,
                                        const std::wstring& target)
{
    const std::string inside = path + "/" + Utf8Text(entry.name);
    const std::wstring copy = target + L"\\" + entry.name;
    if (entry.isLink || LeftOut(inside)) {
        return {};
    }
    if (!entry.isFolder) {
        return CopyFile(inside, copy);
    }
    if (SameFile(OpenShared(inside, 0).Facts(), m_copy)) {
        return {};
    }
    if (!::CreateDirectoryW(copy.c_str(), nullptr)) {
        return LastWriteError();
    }
    if (const std::error_code error = FillFolder(inside, copy)) {
        return error;
    }
    return SetFolderModified(copy, entry.modifiedNs);
}

// A file that did not change since the earlier copy becomes a second name of it. Any
// refusal (another volume, a filesystem without hard links, too many names) leaves the file
// to be copied.
bool FolderCopier::Share(const std::string& path, const std::wstring& target,
                         const FileFacts& facts)
{
    if (m_options.shareFrom.empty()) {
        return false;
    }
    const std::string earlier = m_options.shareFrom + path.substr(m_root.size());
    const FileFacts counterpart =
        OpenShared(earlier, 0, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT).Facts();
    const auto asEntry = [](const FileFacts& f) {
        return FolderEntry{{}, f.isFolder, f.isLink, f.size, f.modifiedNs};
    };
    return !counterpart.error && counterpart.links < kMostLinks &&
           MayShare(asEntry(facts), asEntry(counterpart), m_options.shareOlderThanNs) &&
           m_calls.link(target, WidePath(earlier));
}

// A running game holds session.lock open and locked; the world needs none of its bytes to
// be played again, and a backup of a world in play must not fail for it.
bool FolderCopier::IsGameLock(const std::string& path) const
{
    constexpr std::string_view kName = "/session.lock";
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    return path.size() == m_root.size() + kName.size() && path.starts_with(m_root) &&
           std::equal(kName.begin(), kName.end(), path.begin() + std::ssize(m_root), sameLetter);
}

std::error_code FolderCopier::CopyHeldLock(const std::wstring& target)
{
    FileHandle copy(m_calls.create(target));
    return copy.IsOpen() ? copy.FlushAndClose() : LastWriteError();
}

std::error_code FolderCopier::CopyFile(const std::string& path, const std::wstring& target)
{
    const FileHandle source = OpenShared(path, GENERIC_READ, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT);
    if (!source.IsOpen()) {
        const std::error_code error = LastWinError();
        if (error == std::errc::resource_unavailable_try_again && IsGameLock(path)) {
            return CopyHeldLock(target);
        }
        m_failedPath = path;
        return UnlessVanished(error);
    }
    FileFacts facts = source.Facts();
    if (facts.error) {
        m_failedPath = path;
        return facts.error;
    }
    if (facts.isFolder || facts.isLink) {
        return {};
    }
    if (Share(path, target, facts)) {
        Step(facts.size);
        return {};
    }
    FileHandle copy(m_calls.create(target));
    if (!copy.IsOpen()) {
        return LastWriteError();
    }
    if (const std::error_code error = CopySettledData(path, source, copy, facts)) {
        return error;
    }
    if (const std::error_code error = copy.SetModified(facts.modifiedNs)) {
        return error;
    }
    // The caller renames the copy into place next; without this a power cut could leave
    // that name pointing at files whose data never reached the disk.
    if (const std::error_code error = copy.FlushAndClose()) {
        return error;
    }
    if (m_options.copied) {
        m_options.copied(path);
    }
    return {};
}

// Copies again while the source changes under the copy; `facts` ends as the source's state
// that the kept copy matches best.
std::error_code FolderCopier::CopySettledData(const std::string& path, const FileHandle& source,
                                              const FileHandle& target, FileFacts& facts)
{
    for (int attempt = 1;; ++attempt) {
        std::uint64_t copied = 0;
        if (const std::error_code error = CopyData(path, source, target, copied)) {
            return error;
        }
        const FileFacts after = source.Facts();
        if (after.error) {
            m_failedPath = path;
            return after.error;
        }
        const bool settled = SameContent(facts, after);
        facts = after;
        if (settled) {
            return {};
        }
        if (attempt == kCopyTries) {
            ++m_changedFiles;
            return {};
        }
        // A copy that starts again takes back what its last try counted.
        m_bytesDone -= copied;
        m_reportedAt = std::min(m_reportedAt, m_bytesDone);
        if (!::SetFilePointerEx(target.Get(), {}, nullptr, FILE_BEGIN) ||
            !::SetEndOfFile(target.Get())) {
            return LastWinError();
        }
    }
}

// A read that the game's lock refuses ends the copy of its session.lock with what was read.
std::error_code FolderCopier::CopyData(const std::string& path, const FileHandle& source,
                                       const FileHandle& target, std::uint64_t& copied)
{
    if (!::SetFilePointerEx(source.Get(), {}, nullptr, FILE_BEGIN)) {
        return LastWinError();
    }
    std::vector<char> buffer(kChunkBytes);
    for (;;) {
        DWORD got = 0;
        if (!m_calls.read(source.Get(), buffer.data(), kChunkBytes, got)) {
            const DWORD reason = ::GetLastError();
            if (reason == ERROR_LOCK_VIOLATION && IsGameLock(path)) {
                return {};
            }
            m_failedPath = path;
            return WinError(reason);
        }
        if (got == 0) {
            return {};
        }
        if (const std::error_code error = target.WriteAll({buffer.data(), got})) {
            return error;
        }
        copied += got;
        if (!Step(got)) {
            return Canceled();
        }
    }
}

} // namespace saver
