#include "GatedFileServices.h"

GatedFileServices::GatedFileServices(saver::FileServices& real, std::uint64_t progressReports)
    : m_real(real), m_progressReports(progressReports)
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
    return m_real.CopyFolder(from, into, options);
}

std::string GatedFileServices::AppDir() const
{
    return m_real.AppDir();
}

std::string GatedFileServices::FirstEntry(const std::string& path)
{
    return m_real.FirstEntry(path);
}

bool GatedFileServices::FolderExists(const std::string& path)
{
    return m_real.FolderExists(path);
}

std::error_code GatedFileServices::MakeDir(const std::string& path)
{
    return m_real.MakeDir(path);
}

std::error_code GatedFileServices::DeleteFile(const std::string& path)
{
    return m_real.DeleteFile(path);
}

std::error_code GatedFileServices::RemoveFolder(const std::string& path)
{
    return m_real.RemoveFolder(path);
}

std::error_code GatedFileServices::CopyFile(const std::string& from, const std::string& to)
{
    return m_real.CopyFile(from, to);
}

std::error_code GatedFileServices::Rename(const std::string& from, const std::string& to,
                                          bool replace)
{
    return m_real.Rename(from, to, replace);
}

saver::FirstLine GatedFileServices::ReadFirstLine(const std::string& path)
{
    return m_real.ReadFirstLine(path);
}

std::error_code GatedFileServices::WriteOneLine(const std::string& path, const std::string& text)
{
    return m_real.WriteOneLine(path, text);
}
