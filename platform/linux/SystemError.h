// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cerrno>
#include <system_error>

namespace saver {

// The engine compares errors against std::errc, so errno values go into the generic category.
inline std::error_code ErrorOf(int code)
{
    return {code, std::generic_category()};
}

inline std::error_code LastError()
{
    return ErrorOf(errno);
}

} // namespace saver
