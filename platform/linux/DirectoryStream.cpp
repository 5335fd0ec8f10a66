// SPDX-License-Identifier: GPL-3.0-or-later
#include "DirectoryStream.h"

#include "SystemError.h"

#include <cstring>

namespace saver {

DirectoryStream::DirectoryStream(FileDescriptor folder)
{
    m_dir = ::fdopendir(folder.Get());
    if (m_dir == nullptr) {
        m_error = LastError();
        return;
    }
    folder.Release();
}

DirectoryStream::~DirectoryStream()
{
    if (m_dir != nullptr) {
        ::closedir(m_dir);
    }
}

int DirectoryStream::Fd() const
{
    return ::dirfd(m_dir);
}

const char* DirectoryStream::Next()
{
    if (m_dir == nullptr) {
        return nullptr;
    }
    for (;;) {
        // readdir tells the end of the folder from a failure only through errno.
        errno = 0;
        const dirent* entry = ::readdir(m_dir);
        if (entry == nullptr) {
            if (errno != 0) {
                m_error = LastError();
            }
            return nullptr;
        }
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            return entry->d_name;
        }
    }
}

} // namespace saver
