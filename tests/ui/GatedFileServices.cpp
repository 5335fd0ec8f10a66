#include "GatedFileServices.h"

GatedFileServices::GatedFileServices(saver::FileServices& real, std::uint64_t progressReports)
    : ForwardingServices(real), m_progressReports(progressReports)
{
}

void GatedFileServices::OpenGate()
{
    std::lock_guard lock(m_mutex);
    m_open = true;
    m_changed.notify_all();
}

bool GatedFileServices::CopyStarted()
{
    return CopiesStarted() > 0;
}

int GatedFileServices::CopiesStarted()
{
    std::lock_guard lock(m_mutex);
    return m_copiesStarted;
}

saver::FolderCopyResult GatedFileServices::CopyFolder(const std::string& from,
                                                      const std::string& into,
                                                      const saver::FolderCopyOptions& options)
{
    // Half of the copy is reported done, in as many small steps as the test asked for.
    for (std::uint64_t step = 1; step <= m_progressReports; ++step) {
        options.progress(step, 2 * m_progressReports);
    }
    {
        std::unique_lock lock(m_mutex);
        ++m_copiesStarted;
        m_changed.wait(lock, options.cancel, [this] { return m_open; });
    }
    if (options.cancel.stop_requested()) {
        return {std::make_error_code(std::errc::operation_canceled)};
    }
    return m_inner.CopyFolder(from, into, options);
}
