// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileDescriptor.h"

#include <dirent.h>
#include <system_error>

namespace saver {

// The names in one open folder, without "." and "..".
class DirectoryStream
{
public:
    // Takes over `folder`, an open folder; a failure to read it shows in Error().
    explicit DirectoryStream(FileDescriptor folder);
    DirectoryStream(const DirectoryStream&) = delete;
    DirectoryStream& operator=(const DirectoryStream&) = delete;
    ~DirectoryStream();

    // The descriptor of the folder, for the *at() calls on its entries.
    int Fd() const;
    // The next name, or nullptr at the end of the folder or after an error.
    const char* Next();
    std::error_code Error() const { return m_error; }

private:
    DIR* m_dir = nullptr;
    std::error_code m_error;
};

} // namespace saver
