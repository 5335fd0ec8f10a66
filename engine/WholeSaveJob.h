#pragma once

#include "ClockFields.h"
#include "Services.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <system_error>

namespace saver {

struct WholeSaveResult
{
    std::error_code error;
    std::string folder;             // the backup folder made, on success
    std::uint64_t changedFiles = 0; // files the game was still writing while they were copied
    std::string blockedBy;          // a leftover folder in the way that could not be removed
};

// One whole-save backup: the save folder copied into a new numbered, time-stamped folder
// beside the program. Run() may be called on any thread; it touches nothing but the files.
class WholeSaveJob
{
public:
    WholeSaveJob(FileServices& files, std::string saveFolder, int number, ClockFields when);

    using Progress = std::function<void(std::uint64_t bytesDone, std::uint64_t bytesTotal)>;
    WholeSaveResult Run(const Progress& progress, std::stop_token cancel);

    int Number() const { return m_number; }
    const ClockFields& When() const { return m_when; }

private:
    FileServices& m_files;
    std::string m_saveFolder;
    int m_number;
    ClockFields m_when;
};

// Where a whole-save backup is put together before it gets its name; a fixed name, so a
// backup that was interrupted is found and removed on the next start.
std::string PartialBackupFolder(const FileServices& files);

} // namespace saver
