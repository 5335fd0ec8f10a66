// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// <windows.h> for the files of this folder. Its DeleteFile and CopyFile macros would rename
// the services' methods of the same names in every file that includes both.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef DeleteFile
#undef CopyFile
