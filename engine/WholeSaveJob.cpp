#include "WholeSaveJob.h"

#include "SafeFileOps.h"

#include <utility>

namespace saver {

std::string PartialBackupFolder(const FileServices& files)
{
    return files.AppDir() + "/.wholesave.partial";
}

WholeSaveJob::WholeSaveJob(FileServices& files, std::string saveFolder, int number,
                           ClockFields when)
    : m_files(files), m_saveFolder(std::move(saveFolder)), m_number(number), m_when(when)
{
}

WholeSaveResult WholeSaveJob::Run(const Progress& progress, std::stop_token cancel)
{
    WholeSaveResult result;
    if (!m_files.FolderExists(m_saveFolder)) {
        result.error = std::make_error_code(std::errc::no_such_file_or_directory);
        return result;
    }

    // The copy is put together under a temporary name and gets its real name only once
    // every file is in: a backup folder that exists is always a whole backup.
    const std::string partial = PartialBackupFolder(m_files);
    if (m_files.FolderExists(partial)) {
        if ((result.error = m_files.RemoveFolder(partial)))
            return result;
    }
    if ((result.error = m_files.MakeDir(partial)))
        return result;

    FolderCopyOptions options;
    // When the program sits inside the save, its own backups must not be copied again.
    options.leaveOut = [appDir = m_files.AppDir()](const std::string& path) {
        return path == appDir;
    };
    options.progress = progress;
    options.cancel = std::move(cancel);
    const FolderCopyResult copy = m_files.CopyFolder(m_saveFolder, partial, options);
    result.changedFiles = copy.changedFiles;
    result.error = copy.error;

    if (!result.error) {
        const std::string stem =
            m_files.AppDir() + "/【" + std::to_string(m_number) + "】" + PlainStamp(m_when);
        result.error = CreateUnderFreeName(
            stem, "", [&](const std::string& name) { return m_files.Rename(partial, name, false); },
            &result.folder);
    }
    if (result.error)
        m_files.RemoveFolder(partial); // best effort; the next start removes it otherwise
    return result;
}

} // namespace saver
