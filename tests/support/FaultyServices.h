// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ForwardingServices.h"

#include <atomic>
#include <utility>

namespace saver::test {

// Passes every call through to real services, except the one a test chooses to fail.
// Operations that change files are counted from 1; queries and reads are never failed.
class FaultyServices : public ForwardingServices
{
public:
    explicit FaultyServices(FileServices& inner) : ForwardingServices(inner) {}

    // Fails operation `n`, counted from now on, and with `onwards` every one after it.
    void FailAt(int n, std::errc error, bool onwards = false)
    {
        FailAt(n, std::make_error_code(error), onwards);
    }
    void FailAt(int n, std::error_code error, bool onwards = false)
    {
        m_count = 0;
        m_failAt = n;
        m_error = error;
        m_onwards = onwards;
    }
    int Operations() const { return m_count; }
    // Every folder copy from now on says this many files changed while they were copied.
    void ReportChangedFiles(std::uint64_t count) { m_changedFiles = count; }
    // A folder copy or removal that fails stops halfway, as one cut short by a kill: every
    // other file is left out or removed.
    void TearFailingCopies() { m_tear = true; }

    std::error_code MakeDir(Path p) override { return Fails() ? m_error : m_inner.MakeDir(p); }
    std::error_code DeleteFile(Path path) override
    {
        return Fails() ? m_error : m_inner.DeleteFile(path);
    }
    std::error_code RemoveFolder(Path path) override
    {
        if (!Fails())
            return m_inner.RemoveFolder(path);
        // Cut short, a removal leaves part of what it removes.
        for (const TreeEntry& entry : m_inner.ListTree(path).entries)
            if (m_tear && entry.kind == TreeEntry::Kind::File && (m_torn = !m_torn))
                m_inner.DeleteFile(path + "/" + entry.path);
        return m_error;
    }
    std::error_code CopyFile(Path from, Path to) override
    {
        return Fails() ? m_error : m_inner.CopyFile(from, to);
    }
    std::error_code Rename(Path from, Path to, bool replace) override
    {
        return Fails() ? m_error : m_inner.Rename(from, to, replace);
    }
    FolderCopyResult CopyFolder(Path from, Path into, const FolderCopyOptions& options) override
    {
        const bool fails = Fails();
        // A copy that breaks down halfway leaves what it had copied so far.
        FolderCopyOptions torn = options;
        if (fails && m_tear)
            torn.leaveOut = [skip = false](const std::string&) mutable { return skip = !skip; };
        FolderCopyResult copy = m_inner.CopyFolder(from, into, torn);
        copy.changedFiles += m_changedFiles;
        copy.error = fails ? m_error : copy.error;
        return copy;
    }
    std::error_code WriteOneLine(Path path, const std::string& text) override
    {
        return Fails() ? m_error : m_inner.WriteOneLine(path, text);
    }
    std::error_code WriteText(Path path, const std::string& bytes) override
    {
        return Fails() ? m_error : m_inner.WriteText(path, bytes);
    }
    // Reads are not counted as operations: a read of `path` fails, every time, from now on.
    void FailReadsOf(std::string path) { m_unreadable = std::move(path); }
    std::error_code ReadChunks(Path path, const std::function<void(std::string_view)>& take,
                               const std::stop_token& cancel, DiskPriority priority) override
    {
        if (path == m_unreadable)
            return std::make_error_code(std::errc::io_error);
        return m_inner.ReadChunks(path, take, cancel, priority);
    }

private:
    bool Fails()
    {
        const int count = ++m_count;
        return count == m_failAt || (m_onwards && count > m_failAt);
    }

    // A backup and a restore may run side by side, each on a thread of its own.
    std::atomic<int> m_count = 0;
    int m_failAt = 0;
    bool m_onwards = false;
    std::error_code m_error;
    std::uint64_t m_changedFiles = 0;
    bool m_tear = false;
    bool m_torn = false;
    std::string m_unreadable;
};

} // namespace saver::test
