// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <string>
#include <vector>

namespace saver {

// Walks folders without changing anything: what a shared copy would write, and what
// folders take on disk. Links inside are looked at, never followed.
CopyPlan PlanFolderCopy(const std::string& from, const FolderCopyOptions& options);
DiskUsage MeasureFolders(const std::vector<std::string>& folders);
TreeListing ListFolderTree(const std::string& folder);

} // namespace saver
