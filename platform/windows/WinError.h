// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <system_error>

namespace saver {

// A Win32 error as the std::errc value the engine compares against, in the generic category.
std::error_code WinError(unsigned long code);
// The calling thread's GetLastError().
std::error_code LastWinError();
// The same after creating or writing a file or folder, where a refusal is the system's own
// (WriteRefused.h): the program's rights to its folders are not in question, Controlled Folder
// Access or an antivirus is.
std::error_code LastWriteError();

} // namespace saver
