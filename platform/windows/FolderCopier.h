// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileHandle.h"
#include "FolderListing.h"
#include "Services.h"

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

namespace saver {

// Makes `link` a second name of the file `existing`; false when it cannot.
using HardLinkCall = std::function<bool(const std::wstring& link, const std::wstring& existing)>;
bool MakeHardLink(const std::wstring& link, const std::wstring& existing);
// Reads up to `size` bytes as ReadFile does; false with the reason in GetLastError().
using ReadCall = std::function<bool(HANDLE file, char* buffer, DWORD size, DWORD& got)>;
bool ReadPart(HANDLE file, char* buffer, DWORD size, DWORD& got);

// Creates the copy of a file, as CreateFileW does; INVALID_HANDLE_VALUE with the reason in
// GetLastError() when it cannot.
using CreateCall = std::function<HANDLE(const std::wstring& path)>;
HANDLE CreateCopy(const std::wstring& path);

// The system calls of a copy that tests replace, to refuse what Wine allows.
struct CopyCalls
{
    HardLinkCall link = MakeHardLink;
    ReadCall read = ReadPart;
    CreateCall create = CreateCopy;
};

// Copies a folder with all it holds, one file after another on the calling thread. Links
// (reparse points) inside are neither followed nor copied. The first error stops the copy
// and is reported with the file it met; what was written stays for the caller to remove. The
// game's session.lock at the top, which a running game holds locked, is copied as far as it
// can be read, maybe empty. One copier makes one copy.
// Linux's copier has the same name and is called the same way (linux/FolderCopier.h), but the
// two share no header: the calls a test replaces are each system's own, and so is everything a
// copier keeps while it works. What both promise is FileServices::CopyFolder.
class FolderCopier
{
public:
    explicit FolderCopier(const FolderCopyOptions& options, CopyCalls calls = {});

    // Copies `from` into the existing folder `into`, as into/<last name of from>.
    FolderCopyResult Run(const std::string& from, const std::string& into);

private:
    bool Stopped() const { return m_options.cancel.stop_requested(); }
    bool LeftOut(const std::string& path) const;
    std::uint64_t Measure(const std::string& path) const;
    void Report();
    bool Step(std::uint64_t bytes);
    std::error_code FillFolder(const std::string& path, const std::wstring& target);
    std::error_code CopyEntry(const std::string& path, const FolderEntry& entry,
                              const std::wstring& target);
    std::error_code CopyFile(const std::string& path, const std::wstring& target);
    bool IsGameLock(const std::string& path) const;
    std::error_code CopyHeldLock(const std::wstring& target);
    bool Share(const std::string& path, const std::wstring& target, const FileFacts& facts);
    std::error_code CopySettledData(const std::string& path, const FileHandle& source,
                                    const FileHandle& target, FileFacts& facts);
    std::error_code CopyData(const std::string& path, const FileHandle& source,
                             const FileHandle& target, std::uint64_t& copied);

    const FolderCopyOptions& m_options;
    CopyCalls m_calls;
    std::string m_root;
    // The file of the source whose error stopped the copy.
    std::string m_failedPath;
    // The copy being made, never copied into itself when it lies inside the source.
    FileFacts m_copy;
    std::uint64_t m_changedFiles = 0;
    std::uint64_t m_bytesTotal = 0;
    std::uint64_t m_bytesDone = 0;
    std::uint64_t m_reportedAt = 0;
};

} // namespace saver
