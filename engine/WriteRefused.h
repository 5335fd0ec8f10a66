// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <system_error>

namespace saver {

// What the Windows services give when the system refuses to create or write a file in a folder
// (ERROR_ACCESS_DENIED), as it does in a folder that Controlled Folder Access or an antivirus
// guards. It equals std::errc::permission_denied, so the engine treats it as any refusal; the
// texts tell it apart, to name the folder and say why.
std::error_code WriteRefused();
bool IsWriteRefused(const std::error_code& error);

} // namespace saver
