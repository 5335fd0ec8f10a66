// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileDescriptor.h"

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <system_error>

namespace saver {

// Told how many bytes one step of a copy moved; answers false to stop the copy there.
using CopyStep = std::function<bool(std::uint64_t bytes)>;

// The kernel's two ways of copying without reading, with the arguments of ioctl(FICLONE) and
// copy_file_range. Tests put in their own to make one fail with an error no filesystem at hand
// gives on request.
struct KernelCopyCalls
{
    std::function<int(int from, int to)> clone;
    std::function<ssize_t(int from, off_t* fromAt, int to, off_t* toAt, std::size_t bytes)>
        copyRange;
    // Makes `name` in the folder `toFolder` a second name of the file `from`.
    std::function<int(const char* from, int toFolder, const char* name)> link;
};

const KernelCopyCalls& SystemCopyCalls();

// Copies the data of one file into another: shares the disk blocks where the filesystem can
// (reflink), else lets the kernel copy, else reads and writes, each time going on to the next
// way only when the last one is not available between these files. Holes stay holes, so a
// sparse file takes no more disk in the copy than in the source.
class FileDataCopy
{
public:
    FileDataCopy(const FileDescriptor& from, const FileDescriptor& to,
                 const KernelCopyCalls& calls = SystemCopyCalls());

    // Copies the first `size` bytes of `from` into the empty file `to`, which ends as long. A
    // stop asked for by `step` ends it with operation_canceled.
    std::error_code Run(std::uint64_t size, const CopyStep& step);
    // Whether the copy shares the source's blocks, and so has nothing to write to the disk.
    bool Cloned() const { return m_method == Method::Clone; }

private:
    enum class Method { Clone, Kernel, Reading };

    std::error_code CopyData(off_t at, off_t end, const CopyStep& step);
    // Moves at most `bytes` from `at` on, as many as one call does: 0 at the end of the file,
    // -1 with errno set on failure, as the calls it makes.
    ssize_t Move(off_t at, std::size_t bytes);

    const FileDescriptor& m_from;
    const FileDescriptor& m_to;
    const KernelCopyCalls& m_calls;
    Method m_method = Method::Clone;
    std::unique_ptr<char[]> m_buffer;
};

} // namespace saver
