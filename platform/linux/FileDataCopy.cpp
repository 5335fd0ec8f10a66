// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileDataCopy.h"

#include "SystemError.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

namespace saver {
namespace {

// Large enough that a region file goes over in one call, small enough that a large file
// reports its progress, and hears a stop, every few MiB.
constexpr std::size_t kKernelChunkBytes = std::size_t{4} << 20;
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

// Errors that say only that a way of copying is not available between these two files (other
// filesystems, a filesystem or kernel without it, a filter refusing the call); any other error
// the next way would meet as well, so it is reported.
bool Unavailable(int error)
{
    switch (error) {
    case EXDEV:
    case EINVAL:
    case ENOSYS:
    case EOPNOTSUPP:
    case ENOTTY:
    case EBADF:
    case EPERM:
        return true;
    default:
        return false;
    }
}

} // namespace

const KernelCopyCalls& SystemCopyCalls()
{
    static const KernelCopyCalls calls{
        [](int from, int to) { return ::ioctl(to, FICLONE, from); },
        [](int from, off_t* fromAt, int to, off_t* toAt, std::size_t bytes) {
            return ::copy_file_range(from, fromAt, to, toAt, bytes, 0);
        },
        [](const char* from, int toFolder, const char* name) {
            return ::linkat(AT_FDCWD, from, toFolder, name, 0);
        }};
    return calls;
}

FileDataCopy::FileDataCopy(const FileDescriptor& from, const FileDescriptor& to,
                           const KernelCopyCalls& calls)
    : m_from(from), m_to(to), m_calls(calls)
{
}

std::error_code FileDataCopy::Run(std::uint64_t size, const CopyStep& step)
{
    m_method = Method::Clone;
    if (m_calls.clone(m_from.Get(), m_to.Get()) == 0) {
        return step(size) ? std::error_code{} : ErrorOf(ECANCELED);
    }
    if (!Unavailable(errno)) {
        return LastError();
    }
    m_method = Method::Kernel;
    const auto end = static_cast<off_t>(size);
    for (off_t at = 0; at < end;) {
        off_t data = ::lseek(m_from.Get(), at, SEEK_DATA);
        if (data < 0 && errno != ENXIO) {
            return LastError();
        }
        data = data < 0 ? end : std::min(data, end); // ENXIO: only a hole is left
        const off_t hole = data == end ? end : ::lseek(m_from.Get(), data, SEEK_HOLE);
        if (hole < 0) {
            return LastError();
        }
        // A hole takes no time to copy, but it counts as copied.
        if (data > at && !step(static_cast<std::uint64_t>(data - at))) {
            return ErrorOf(ECANCELED);
        }
        if (const std::error_code error = CopyData(data, std::min(hole, end), step)) {
            return error;
        }
        at = hole;
    }
    // The copy has no blocks where the source has a hole; this gives it its length.
    return ::ftruncate(m_to.Get(), end) == 0 ? std::error_code{} : LastError();
}

std::error_code FileDataCopy::CopyData(off_t at, off_t end, const CopyStep& step)
{
    while (at < end) {
        const ssize_t moved =
            Move(at, static_cast<std::size_t>(std::min<off_t>(end - at, kKernelChunkBytes)));
        if (moved < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        if (moved == 0) {
            return {}; // the file got shorter; the caller sees that it changed
        }
        at += moved;
        if (!step(static_cast<std::uint64_t>(moved))) {
            return ErrorOf(ECANCELED);
        }
    }
    return {};
}

ssize_t FileDataCopy::Move(off_t at, std::size_t bytes)
{
    if (m_method == Method::Kernel) {
        off_t fromAt = at;
        off_t toAt = at;
        const ssize_t moved = m_calls.copyRange(m_from.Get(), &fromAt, m_to.Get(), &toAt, bytes);
        if (moved >= 0 || !Unavailable(errno)) {
            return moved;
        }
        m_method = Method::Reading;
    }
    if (!m_buffer) {
        m_buffer = std::make_unique_for_overwrite<char[]>(kBufferBytes);
    }
    const ssize_t got = ::pread(m_from.Get(), m_buffer.get(), std::min(bytes, kBufferBytes), at);
    if (got <= 0) {
        return got;
    }
    if (const std::error_code error =
            m_to.WriteAll({m_buffer.get(), static_cast<std::size_t>(got)}, at)) {
        errno = error.value();
        return -1;
    }
    return got;
}

} // namespace saver
