#include "FaultyServices.h"

#include <filesystem>

namespace saver::test {

void FaultyServices::FailAt(int n, std::errc error, Mode mode)
{
    std::lock_guard lock(m_mutex);
    m_count = 0;
    m_failAt = n;
    m_mode = mode;
    m_error = error;
    m_shortWrite = false;
}

void FaultyServices::ShortWriteAt(int n, Mode mode)
{
    FailAt(n, std::errc::no_space_on_device, mode);
    std::lock_guard lock(m_mutex);
    m_shortWrite = true;
}

void FaultyServices::FailEvery(const std::string& operation, std::errc error)
{
    std::lock_guard lock(m_mutex);
    m_failEvery.insert(operation);
    m_error = error;
}

void FaultyServices::Heal()
{
    std::lock_guard lock(m_mutex);
    m_failAt = 0;
    m_failEvery.clear();
    m_shortWrite = false;
}

int FaultyServices::Operations() const
{
    std::lock_guard lock(m_mutex);
    return m_count;
}

std::string FaultyServices::LastFailed() const
{
    std::lock_guard lock(m_mutex);
    return m_lastFailed;
}

std::error_code FaultyServices::Fault(const char* operation)
{
    std::lock_guard lock(m_mutex);
    ++m_count;
    const bool chosen =
        m_failAt > 0 && (m_mode == Mode::Once ? m_count == m_failAt : m_count >= m_failAt);
    if (!chosen && !m_failEvery.contains(operation))
        return {};
    m_lastFailed = operation;
    return std::make_error_code(m_error);
}

bool FaultyServices::ShortWrite() const
{
    std::lock_guard lock(m_mutex);
    return m_shortWrite;
}

std::error_code FaultyServices::CutShort(const std::string& path)
{
    std::error_code ignored;
    const auto size = std::filesystem::file_size(path, ignored);
    if (!ignored)
        std::filesystem::resize_file(path, size / 2, ignored);
    return std::make_error_code(std::errc::no_space_on_device);
}

std::error_code FaultyServices::MakeDir(const std::string& path)
{
    if (auto error = Fault("MakeDir"))
        return error;
    return m_inner.MakeDir(path);
}

std::error_code FaultyServices::DeleteFile(const std::string& path)
{
    if (auto error = Fault("DeleteFile"))
        return error;
    return m_inner.DeleteFile(path);
}

std::error_code FaultyServices::RemoveFolder(const std::string& path)
{
    if (auto error = Fault("RemoveFolder"))
        return error;
    return m_inner.RemoveFolder(path);
}

std::error_code FaultyServices::CopyFile(const std::string& from, const std::string& to)
{
    if (auto error = Fault("CopyFile")) {
        if (ShortWrite() && !m_inner.CopyFile(from, to))
            return CutShort(to);
        return error;
    }
    return m_inner.CopyFile(from, to);
}

std::error_code FaultyServices::Rename(const std::string& from, const std::string& to, bool replace)
{
    if (auto error = Fault("Rename"))
        return error;
    return m_inner.Rename(from, to, replace);
}

FolderCopyResult FaultyServices::CopyFolder(const std::string& from, const std::string& into,
                                            const FolderCopyOptions& options)
{
    if (auto error = Fault("CopyFolder")) {
        // A copy that breaks down halfway leaves what it had copied so far.
        FolderCopyResult partial = m_inner.CopyFolder(from, into, options);
        partial.error = error;
        return partial;
    }
    return m_inner.CopyFolder(from, into, options);
}

FirstLine FaultyServices::ReadFirstLine(const std::string& path)
{
    if (auto error = Fault("ReadFirstLine"))
        return {error, false, {}};
    return m_inner.ReadFirstLine(path);
}

std::error_code FaultyServices::WriteOneLine(const std::string& path, const std::string& text)
{
    if (auto error = Fault("WriteOneLine")) {
        if (ShortWrite() && !m_inner.WriteOneLine(path, text))
            return CutShort(path);
        return error;
    }
    return m_inner.WriteOneLine(path, text);
}

} // namespace saver::test
