// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileDataCopy.h"
#include "FileDescriptor.h"
#include "Services.h"
#include "TaskTeam.h"
#include "WriteBehind.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

namespace saver {

// Copies a folder with all it holds. Links are recreated, never followed; pipes, sockets and
// devices are left out. The tree is walked on the calling thread, and the regular files of
// each folder are copied by a TaskTeam; the first error met by any thread stops them all and
// is the one reported, and what was written stays for the caller to remove. One copier makes
// one copy.
// Windows's copier has the same name and is called the same way (windows/FolderCopier.h), but
// the two share no header: the calls a test replaces are each system's own, and so is
// everything a copier keeps while it works. What both promise is FileServices::CopyFolder.
class FolderCopier
{
public:
    explicit FolderCopier(const FolderCopyOptions& options,
                          const KernelCopyCalls& calls = SystemCopyCalls());

    // Copies `from` into the existing folder `into`, as into/<last name of from>.
    FolderCopyResult Run(const std::string& from, const std::string& into);

private:
    std::error_code CopyTree(const std::string& from, const std::string& into);
    // A stop asked for by the caller, or an error met by any thread.
    bool Stopped() const { return m_failed || m_options.cancel.stop_requested(); }
    void Fail(const std::error_code& error);
    bool LeftOut(const std::string& path) const;
    std::uint64_t Measure(FileDescriptor folder, const std::string& path) const;
    void Report();
    bool Step(std::uint64_t bytes);
    void Unstep(std::uint64_t bytes);
    std::error_code FillFolder(FileDescriptor source, const std::string& path,
                               const FileDescriptor& target, const struct stat& info);
    std::error_code CopyEntry(int from, const std::string& path, int to, const char* name,
                              std::vector<std::string>& files);
    std::error_code CopyFile(int from, int to, const std::string& path, const char* name);
    bool Share(const std::string& path, const char* name, int to, const struct stat& info);
    std::error_code CopySettledData(const FileDescriptor& source, const FileDescriptor& target,
                                    struct stat& info, bool& cloned);

    const FolderCopyOptions& m_options;
    const KernelCopyCalls& m_calls;
    std::string m_root;
    // The copy being made, never copied into itself when it lies inside the source.
    struct stat m_copy = {};

    std::mutex m_failureMutex;
    std::error_code m_failure;
    std::atomic<bool> m_failed = false;
    std::atomic<std::uint64_t> m_changedFiles = 0;
    // Whether the last file copied shares the source's blocks.
    enum class Blocks { Unknown, Shared, Copied };
    std::atomic<Blocks> m_blocks = Blocks::Unknown;

    std::mutex m_progressMutex;
    std::uint64_t m_bytesTotal = 0;
    // Includes the parts of the files being copied.
    std::atomic<std::uint64_t> m_bytesDone = 0;
    std::uint64_t m_reportedAt = 0;

    WriteBehind m_writeBehind;
    // Last, so that its threads end before anything they use goes.
    TaskTeam m_team;
};

} // namespace saver
