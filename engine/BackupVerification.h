// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CheckRecord.h"
#include "Services.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <system_error>

namespace saver {

struct VerifyOutcome
{
    // The check could not be made or kept (operation_canceled when asked to stop); the record
    // in the backup is then the one before.
    std::error_code error;
    std::string failedPath;
    CheckRecord record;
};

using VerifyProgress = std::function<void(std::uint64_t bytesDone, std::uint64_t bytesTotal)>;

// Reads every file of the backup in `backupFolder` again, at the disk's idle priority, and
// compares it with the manifest; what it found is kept in the backup. A backup without a
// manifest to go by is given one from what it holds now; one written by a later version is
// left as it is.
VerifyOutcome VerifyBackup(FileServices& files, const std::string& backupFolder,
                           const VerifyProgress& progress, const std::stop_token& cancel);

} // namespace saver
