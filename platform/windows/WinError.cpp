// SPDX-License-Identifier: GPL-3.0-or-later
#include "WinError.h"

#include "Win32.h"
#include "WriteRefused.h"

namespace saver {

std::error_code WinError(unsigned long code)
{
    switch (code) {
    case ERROR_SUCCESS:
        return {};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
        return std::make_error_code(std::errc::permission_denied);
    case ERROR_WRITE_PROTECT:
        return std::make_error_code(std::errc::read_only_file_system);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return std::make_error_code(std::errc::file_exists);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_FILE_TOO_LARGE:
        return std::make_error_code(std::errc::file_too_large);
    // The game has the file open without sharing it, or locked: it is being written.
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return std::make_error_code(std::errc::resource_unavailable_try_again);
    case ERROR_NOT_SAME_DEVICE:
        return std::make_error_code(std::errc::cross_device_link);
    case ERROR_FILENAME_EXCED_RANGE:
        return std::make_error_code(std::errc::filename_too_long);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
        return std::make_error_code(std::errc::invalid_argument);
    case ERROR_DIRECTORY:
        return std::make_error_code(std::errc::not_a_directory);
    case ERROR_DIR_NOT_EMPTY:
        return std::make_error_code(std::errc::directory_not_empty);
    case ERROR_TOO_MANY_LINKS:
        return std::make_error_code(std::errc::too_many_links);
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
        return std::make_error_code(std::errc::operation_not_supported);
    case ERROR_OPERATION_ABORTED:
    case ERROR_REQUEST_ABORTED:
        return std::make_error_code(std::errc::operation_canceled);
    default:
        return std::make_error_code(std::errc::io_error);
    }
}

std::error_code LastWinError()
{
    return WinError(::GetLastError());
}

std::error_code LastWriteError()
{
    const DWORD code = ::GetLastError();
    return code == ERROR_ACCESS_DENIED ? WriteRefused() : WinError(code);
}

} // namespace saver
