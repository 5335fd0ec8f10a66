#pragma once

#include "ForwardingServices.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

// The real file services, except that a folder copy first reports some progress and then
// waits until the test opens the gate or the copy is asked to stop: it holds a whole-save
// backup in the middle of its run for as long as the test needs.
class GatedFileServices final : public saver::test::ForwardingServices
{
public:
    GatedFileServices(saver::FileServices& real, std::uint64_t progressReports);

    void OpenGate();
    bool CopyStarted();
    int CopiesStarted();

    saver::FolderCopyResult CopyFolder(const std::string& from, const std::string& into,
                                       const saver::FolderCopyOptions& options) override;

private:
    const std::uint64_t m_progressReports;
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    bool m_open = false;
    int m_copiesStarted = 0;
};
