#pragma once

#include "Services.h"

#include <mutex>
#include <set>
#include <string>
#include <system_error>

namespace saver::test {

// Passes every call through to real services, except the ones a test tells it to fail.
// Operations that change or read files are counted from 1; queries are never failed.
class FaultyServices : public FileServices
{
public:
    explicit FaultyServices(FileServices& inner) : m_inner(inner) {}

    enum class Mode {
        Once,      // only the chosen operation fails
        FromThenOn // the chosen operation and every one after it fail
    };

    // Fails the operation with number `n` (counted from 1 from now on).
    void FailAt(int n, std::errc error, Mode mode = Mode::Once);
    // As FailAt with "disk full", but a failing write first writes half of its file and
    // leaves it there, as a file system that runs out of space halfway would.
    void ShortWriteAt(int n, Mode mode = Mode::Once);
    // Fails every call of the named operation ("CopyFile", "Rename", ...), as well as those
    // named before.
    void FailEvery(const std::string& operation, std::errc error);
    void Heal();

    int Operations() const;
    std::string LastFailed() const;

    std::string AppDir() const override { return m_inner.AppDir(); }
    std::string FirstEntry(const std::string& path) override { return m_inner.FirstEntry(path); }
    bool FolderExists(const std::string& path) override { return m_inner.FolderExists(path); }
    std::error_code MakeDir(const std::string& path) override;
    std::error_code DeleteFile(const std::string& path) override;
    std::error_code RemoveFolder(const std::string& path) override;
    std::error_code CopyFile(const std::string& from, const std::string& to) override;
    std::error_code Rename(const std::string& from, const std::string& to, bool replace) override;
    FolderCopyResult CopyFolder(const std::string& from, const std::string& into,
                                const FolderCopyOptions& options) override;
    FirstLine ReadFirstLine(const std::string& path) override;
    std::error_code WriteOneLine(const std::string& path, const std::string& text) override;

private:
    // Counts the operation and tells whether it is to fail.
    std::error_code Fault(const char* operation);
    bool ShortWrite() const;
    // Leaves the first half of `path` behind and reports the disk full.
    static std::error_code CutShort(const std::string& path);

    FileServices& m_inner;
    mutable std::mutex m_mutex;
    int m_count = 0;
    int m_failAt = 0;
    Mode m_mode = Mode::Once;
    std::set<std::string> m_failEvery;
    std::errc m_error = std::errc::io_error;
    bool m_shortWrite = false;
    std::string m_lastFailed;
};

} // namespace saver::test
