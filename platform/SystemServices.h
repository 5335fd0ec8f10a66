// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"
#include "TreeSurvey.h"

#include <string>
#include <utility>

namespace saver {

// The file services of the operating system: Linux (linux/SystemServices.cpp) or Windows
// (windows/SystemServices.cpp), chosen by the build.
class SystemServices final : public FileServices
{
public:
    explicit SystemServices(std::string appDir) : m_appDir(std::move(appDir))
    {
        while (m_appDir.size() > 1 && m_appDir.back() == '/') {
            m_appDir.pop_back();
        }
    }

    std::string AppDir() const override { return m_appDir; }
    std::string FirstEntry(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    FileStatus Status(const std::string& path) override;
    std::string ResolvedPath(const std::string& path) override;
    bool IsLockedByAnotherProcess(const std::string& path) override;
    std::vector<std::string> ListFolder(const std::string& path) override;
    std::error_code SetModified(const std::string& path, std::int64_t modifiedNs) override;
    std::optional<std::uint64_t> FreeSpace(const std::string& path) override;
    DiskUsage MeasureDiskUsage(const std::vector<std::string>& folders) override
    {
        return MeasureFolders(folders);
    }
    CopyPlan PlanCopy(const std::string& from, const FolderCopyOptions& options) override
    {
        return PlanFolderCopy(from, options);
    }
    TreeListing ListTree(const std::string& folder) override { return ListFolderTree(folder); }
    std::error_code MakeDir(const std::string& path) override;
    std::error_code DeleteFile(const std::string& path) override;
    std::error_code RemoveFolder(const std::string& path) override;
    std::error_code CopyFile(const std::string& from, const std::string& to) override;
    std::error_code Rename(const std::string& from, const std::string& to, bool replace) override;
    FolderCopyResult CopyFolder(const std::string& from, const std::string& into,
                                const FolderCopyOptions& options) override;
    FirstLine ReadFirstLine(const std::string& path) override;
    std::error_code WriteOneLine(const std::string& path, const std::string& text) override
    {
        return WriteText(path, text + "\r\n");
    }
    std::error_code WriteText(const std::string& path, const std::string& bytes) override;
    std::error_code ReadChunks(const std::string& path,
                               const std::function<void(std::string_view)>& take,
                               const std::stop_token& cancel, DiskPriority priority) override;
    bool SameFile(const std::string& first, const std::string& second) override;

private:
    std::string m_appDir;
};

} // namespace saver
