// SPDX-License-Identifier: GPL-3.0-or-later
#include "SafeFileOps.h"

#include "DataLayout.h"

namespace saver {

std::string TemporaryNameFor(const std::string& target)
{
    return target + kTemporarySuffix;
}

namespace {

// Writes a temporary file with `write` and hands it to `publish`, which gives it its final
// name in one step. Whatever fails, the temporary file does not stay behind.
std::error_code WriteThenPublish(FileServices& files, const std::string& temporary,
                                 const std::function<std::error_code(const std::string&)>& write,
                                 const std::function<std::error_code(const std::string&)>& publish)
{
    if (!files.FirstEntry(temporary).empty()) {
        if (auto error = files.DeleteFile(temporary))
            return error;
    }
    std::error_code error = write(temporary);
    if (!error)
        error = publish(temporary);
    if (error && !files.FirstEntry(temporary).empty())
        files.DeleteFile(temporary); // best effort: the failure reported is the first one
    return error;
}

} // namespace

std::error_code ReplaceAtomically(FileServices& files, const std::string& target,
                                  const std::function<std::error_code(const std::string&)>& write)
{
    return WriteThenPublish(
        files, TemporaryNameFor(target), write,
        [&](const std::string& temporary) { return files.Rename(temporary, target, true); });
}

std::error_code
CreateUnderFreeName(const std::string& stem, const std::string& extension,
                    const std::function<std::error_code(const std::string&)>& create,
                    std::string* chosen)
{
    constexpr int kMostTries = 10000;
    std::error_code error;
    for (int n = 1; n <= kMostTries; ++n) {
        const std::string name =
            n == 1 ? stem + extension : stem + " (" + std::to_string(n) + ")" + extension;
        error = create(name);
        if (error != std::errc::file_exists) {
            if (!error && chosen)
                *chosen = name;
            return error;
        }
    }
    return error;
}

std::error_code CopyUnderFreeName(FileServices& files, const std::string& from,
                                  const std::string& stem, const std::string& extension,
                                  std::string* chosen)
{
    return WriteThenPublish(
        files, TemporaryInFolder(FolderOf(stem)),
        [&](const std::string& temporary) { return CopySteadily(files, from, temporary); },
        [&](const std::string& temporary) {
            return CreateUnderFreeName(
                stem, extension,
                [&](const std::string& name) { return files.Rename(temporary, name, false); },
                chosen);
        });
}

std::error_code CopySteadily(FileServices& files, const std::string& from, const std::string& to)
{
    constexpr int kTries = 3;
    for (int tries = 0; tries < kTries; ++tries) {
        const FileStatus before = files.Status(from);
        if (auto error = files.CopyFile(from, to))
            return error;
        const FileStatus after = files.Status(from);
        if (!before.error && !after.error && before.size == after.size &&
            before.modifiedNs == after.modifiedNs)
            return {};
        if (auto error = files.DeleteFile(to))
            return error;
    }
    return std::make_error_code(std::errc::resource_unavailable_try_again);
}

std::error_code MoveFile(FileServices& files, const std::string& from, const std::string& to,
                         bool replace)
{
    std::error_code error = files.Rename(from, to, replace);
    if (error == std::errc::cross_device_link) {
        error = WriteThenPublish(
            files, TemporaryNameFor(to),
            [&](const std::string& temporary) { return CopySteadily(files, from, temporary); },
            [&](const std::string& temporary) { return files.Rename(temporary, to, replace); });
        return error ? error : files.DeleteFile(from);
    }
    if (error && files.FirstEntry(from).empty() && !files.FirstEntry(to).empty())
        return {};
    return error;
}

std::string TemporaryInFolder(const std::string& folder)
{
    return TemporaryNameFor(folder + "/" + kLevelCopyStem + kLevelCopyExtension);
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace saver
