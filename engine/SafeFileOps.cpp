#include "SafeFileOps.h"

namespace saver {

std::string TemporaryNameFor(const std::string& target)
{
    return target + ".saving";
}

std::error_code ReplaceAtomically(FileServices& files, const std::string& target,
                                  const std::function<std::error_code(const std::string&)>& write)
{
    const std::string temporary = TemporaryNameFor(target);
    if (!files.FirstEntry(temporary).empty()) {
        if (auto error = files.DeleteFile(temporary))
            return error;
    }
    std::error_code error = write(temporary);
    if (!error)
        error = files.Rename(temporary, target, true);
    if (error && !files.FirstEntry(temporary).empty())
        files.DeleteFile(temporary); // best effort: the failure reported is the first one
    return error;
}

std::error_code CreateUnderFreeName(const std::string& stem, const std::string& extension,
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

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace saver
