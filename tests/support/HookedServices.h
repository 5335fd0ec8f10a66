// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ForwardingServices.h"

#include <functional>
#include <optional>

namespace saver::test {

// Services through which something else acts on the files, as the game or the player may, just
// before the program's calls; a call without a hook passes through.
class HookedServices final : public ForwardingServices
{
public:
    using ForwardingServices::ForwardingServices;
    // An error that one of these returns answers for the call, which then is not made.
    using Hook = std::function<std::error_code(const std::string& from, const std::string& to)>;
    Hook beforeRename, beforeCopyFile;
    // May also change what the copy is told.
    std::function<FolderCopyResult(const std::string& from, const std::string& into,
                                   FolderCopyOptions&)>
        beforeCopyFolder;
    std::function<void()> afterCopyFolder;
    std::function<void(const std::string& path)> beforeRead;
    // The room said to be left on every disk, when set.
    std::optional<std::uint64_t> freeSpace;

    std::error_code Rename(Path from, Path to, bool replace) override
    {
        const std::error_code error = beforeRename ? beforeRename(from, to) : std::error_code{};
        return error ? error : m_inner.Rename(from, to, replace);
    }
    std::error_code CopyFile(Path from, Path to) override
    {
        const std::error_code error = beforeCopyFile ? beforeCopyFile(from, to) : std::error_code{};
        return error ? error : m_inner.CopyFile(from, to);
    }
    FolderCopyResult CopyFolder(Path from, Path into, const FolderCopyOptions& options) override
    {
        FolderCopyOptions changed = options;
        FolderCopyResult answer =
            beforeCopyFolder ? beforeCopyFolder(from, into, changed) : FolderCopyResult{};
        if (answer.error)
            return answer;
        answer = m_inner.CopyFolder(from, into, changed);
        if (afterCopyFolder)
            afterCopyFolder();
        return answer;
    }
    std::error_code ReadChunks(Path path, const std::function<void(std::string_view)>& take,
                               const std::stop_token& cancel, DiskPriority priority) override
    {
        if (beforeRead)
            beforeRead(path);
        return m_inner.ReadChunks(path, take, cancel, priority);
    }
    std::optional<std::uint64_t> FreeSpace(Path path) override
    {
        return freeSpace ? freeSpace : m_inner.FreeSpace(path);
    }
};

} // namespace saver::test
