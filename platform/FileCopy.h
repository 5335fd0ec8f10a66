#pragma once

#include "FileDescriptor.h"
#include "Services.h"

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

namespace saver {

// Told how many bytes one step of a copy moved; answers false to stop the copy there.
using CopyStep = std::function<bool(std::uint64_t bytes)>;

// Copies the whole of `from` into the empty file `to`, both read from their start. Shares
// the disk blocks where the filesystem can (reflink), else lets the kernel copy, else reads
// and writes. A stop asked for by `step` ends it with operation_canceled.
std::error_code CopyFileData(const FileDescriptor& from, const FileDescriptor& to,
                             const CopyStep& step);

// Copies the folder `from` into the existing folder `into` as into/<last name of from>.
// Links are recreated, never followed; pipes, sockets and devices are left out. On an
// error the copy stops and what was written stays for the caller to remove. Files are
// copied on a few threads at once; the progress function may be called on any of them, but
// never on two at the same time.
FolderCopyResult CopyFolder(const std::string& from, const std::string& into,
                            const FolderCopyOptions& options);

} // namespace saver
