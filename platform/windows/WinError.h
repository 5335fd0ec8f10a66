// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <system_error>

namespace saver {

// A Win32 error as the std::errc value the engine compares against, in the generic category.
std::error_code WinError(unsigned long code);
// The calling thread's GetLastError().
std::error_code LastWinError();

} // namespace saver
