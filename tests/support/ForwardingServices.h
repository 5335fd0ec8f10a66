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

    std::string AppDir() const override { return m_inner.AppDir(); }
    std::string FirstEntry(const std::string& p) override { return m_inner.FirstEntry(p); }
    bool FolderExists(const std::string& p) override { return m_inner.FolderExists(p); }
    FileStatus Status(const std::string& p) override { return m_inner.Status(p); }
    std::string ResolvedPath(const std::string& p) override { return m_inner.ResolvedPath(p); }
    bool IsLockedByAnotherProcess(const std::string& p) override
    {
        return m_inner.IsLockedByAnotherProcess(p);
    }
    std::vector<std::string> ListFolder(const std::string& p) override
    {
        return m_inner.ListFolder(p);
    }
    std::error_code SetModified(const std::string& p, std::int64_t ns) override
    {
        return m_inner.SetModified(p, ns);
    }
    std::optional<std::uint64_t> FreeSpace(const std::string& p) override
    {
        return m_inner.FreeSpace(p);
    }
    DiskUsage MeasureDiskUsage(const std::vector<std::string>& folders) override
    {
        return m_inner.MeasureDiskUsage(folders);
    }
    CopyPlan PlanCopy(const std::string& from, const FolderCopyOptions& options) override
    {
        return m_inner.PlanCopy(from, options);
    }
    TreeListing ListTree(const std::string& folder) override { return m_inner.ListTree(folder); }
    std::error_code MakeDir(const std::string& p) override { return m_inner.MakeDir(p); }
    std::error_code DeleteFile(const std::string& p) override { return m_inner.DeleteFile(p); }
    std::error_code RemoveFolder(const std::string& p) override { return m_inner.RemoveFolder(p); }
    std::error_code CopyFile(const std::string& from, const std::string& to) override
    {
        return m_inner.CopyFile(from, to);
    }
    std::error_code Rename(const std::string& from, const std::string& to, bool replace) override
    {
        return m_inner.Rename(from, to, replace);
    }
    FolderCopyResult CopyFolder(const std::string& from, const std::string& into,
                                const FolderCopyOptions& options) override
    {
        return m_inner.CopyFolder(from, into, options);
    }
    FirstLine ReadFirstLine(const std::string& p) override { return m_inner.ReadFirstLine(p); }
    std::error_code WriteOneLine(const std::string& p, const std::string& text) override
    {
        return m_inner.WriteOneLine(p, text);
    }
    std::error_code WriteText(const std::string& p, const std::string& bytes) override
    {
        return m_inner.WriteText(p, bytes);
    }
    std::error_code ReadChunks(const std::string& p,
                               const std::function<void(std::string_view)>& take,
                               const std::stop_token& cancel, DiskPriority priority) override
    {
        return m_inner.ReadChunks(p, take, cancel, priority);
    }
    bool SameFile(const std::string& a, const std::string& b) override
    {
        return m_inner.SameFile(a, b);
    }

protected:
    FileServices& m_inner;
};

} // namespace saver::test
