#pragma once

#include "Services.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

// The real file services, except that a folder copy first reports some progress and then
// waits until the test opens the gate or the copy is asked to stop: it holds a whole-save
// backup in the middle of its run for as long as the test needs.
class GatedFileServices final : public saver::FileServices
{
public:
    GatedFileServices(saver::FileServices& real, std::uint64_t progressReports);

    void OpenGate();
    bool CopyStarted();
    int CopiesStarted();

    std::string AppDir() const override;
    std::string FirstEntry(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    saver::FileStatus Status(const std::string& path) override { return m_real.Status(path); }
    std::string ResolvedPath(const std::string& path) override { return m_real.ResolvedPath(path); }
    std::error_code MakeDir(const std::string& path) override;
    std::error_code DeleteFile(const std::string& path) override;
    std::error_code RemoveFolder(const std::string& path) override;
    std::error_code CopyFile(const std::string& from, const std::string& to) override;
    std::error_code Rename(const std::string& from, const std::string& to, bool replace) override;
    saver::FolderCopyResult CopyFolder(const std::string& from, const std::string& into,
                                       const saver::FolderCopyOptions& options) override;
    saver::FirstLine ReadFirstLine(const std::string& path) override;
    std::error_code WriteOneLine(const std::string& path, const std::string& text) override;

private:
    saver::FileServices& m_real;
    const std::uint64_t m_progressReports;
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    bool m_open = false;
    int m_copiesStarted = 0;
};
