// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <utility>

namespace saver::test {

// Passes every call to other services; a test double overrides only what it changes.
class ForwardingServices : public FileServices
{
public:
    explicit ForwardingServices(FileServices& inner) : m_inner(inner) {}

    // A path as the services take it.
    using Path = const std::string&;

    std::string AppDir() const override { return m_inner.AppDir(); }
    std::string FirstEntry(Path p) override { return m_inner.FirstEntry(p); }
    bool FolderExists(Path p) override { return m_inner.FolderExists(p); }
    FileStatus Status(Path p) override { return m_inner.Status(p); }
    std::string ResolvedPath(Path p) override { return m_inner.ResolvedPath(p); }
    bool IsLockedByAnotherProcess(Path p) override { return m_inner.IsLockedByAnotherProcess(p); }
    std::vector<std::string> ListFolder(Path p) override { return m_inner.ListFolder(p); }
    std::error_code SetModified(Path p, std::int64_t ns) override
    {
        return m_inner.SetModified(p, ns);
    }
    std::optional<std::uint64_t> FreeSpace(Path p) override { return m_inner.FreeSpace(p); }
    DiskUsage MeasureDiskUsage(const std::vector<std::string>& folders) override
    {
        return m_inner.MeasureDiskUsage(folders);
    }
    CopyPlan PlanCopy(Path from, const FolderCopyOptions& options) override
    {
        return m_inner.PlanCopy(from, options);
    }
    TreeListing ListTree(Path folder) override { return m_inner.ListTree(folder); }
    std::error_code MakeDir(Path p) override { return m_inner.MakeDir(p); }
    std::error_code DeleteFile(Path p) override { return m_inner.DeleteFile(p); }
    std::error_code RemoveFolder(Path p) override { return m_inner.RemoveFolder(p); }
    std::error_code CopyFile(Path from, Path to) override { return m_inner.CopyFile(from, to); }
    std::error_code Rename(Path from, Path to, bool replace) override
    {
        return m_inner.Rename(from, to, replace);
    }
    FolderCopyResult CopyFolder(Path from, Path into, const FolderCopyOptions& options) override
    {
        return m_inner.CopyFolder(from, into, options);
    }
    FirstLine ReadFirstLine(Path p) override { return m_inner.ReadFirstLine(p); }
    std::error_code WriteOneLine(Path p, const std::string& text) override
    {
        return m_inner.WriteOneLine(p, text);
    }
    std::error_code WriteText(Path p, const std::string& bytes) override
    {
        return m_inner.WriteText(p, bytes);
    }
    std::error_code ReadChunks(Path p, const std::function<void(std::string_view)>& take,
                               const std::stop_token& cancel, DiskPriority priority) override
    {
        return m_inner.ReadChunks(p, take, cancel, priority);
    }
    bool SameFile(Path a, Path b) override { return m_inner.SameFile(a, b); }

protected:
    FileServices& m_inner;
};

} // namespace saver::test
