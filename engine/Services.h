// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// What the backup logic asks of the operating system. Paths are UTF-8 texts whose
// separator is '/'; every error is a std::error_code in the generic category, so the
// engine can tell "disk full" from "no permission" without knowing the platform.
namespace saver {

class Clock
{
public:
    virtual ~Clock() = default;
    // The local time of day as exactly "HH:MM:SS", read afresh on every call.
    virtual std::string ClockText() = 0;
};

struct FolderCopyOptions
{
    // Asked about every entry inside the source (file, folder, link) by its full source
    // path, on one thread at a time and maybe more than once; an entry it answers true for
    // is not copied, nor, for a folder, anything in it.
    std::function<bool(const std::string& sourcePath)> leaveOut;
    // Called now and then from a copying thread, never from two at once, and never once per
    // chunk of a file.
    std::function<void(std::uint64_t bytesDone, std::uint64_t bytesTotal)> progress;
    std::stop_token cancel;
    // An earlier copy of the same folder: a file whose size and modification time equal
    // those of its counterpart there, and older than `shareOlderThanNs`, becomes a second
    // name (a hard link) of that counterpart instead of a new copy. Where no link can be
    // made, the file is copied.
    std::string shareFrom;
    std::int64_t shareOlderThanNs = 0;
    // Told of every file the copy wrote, by its full source path, once the copy's bytes will
    // not change any more; from a copying thread, maybe from two at once. Not told of a file
    // shared with `shareFrom`.
    std::function<void(const std::string& sourcePath)> copied;
};

// What a copy with the same options would do, found without writing anything.
struct CopyPlan
{
    std::error_code error;
    std::uint64_t bytesToCopy = 0; // the files that cannot be shared
    // Every name, size and time equals that of `shareFrom`, and nothing is missing there.
    bool unchanged = false;
};

// Space taken on disk by some folders.
struct DiskUsage
{
    std::error_code error;
    std::uint64_t total = 0;    // a file with several names in them counted once
    std::uint64_t unshared = 0; // files with no other name anywhere
};

struct FolderCopyResult
{
    std::error_code error;
    // Files that were still changing after the last try to copy them.
    std::uint64_t changedFiles = 0;
    // The file of the source that the error came from, where the copier tells (on Windows).
    std::string failedPath = {};
};

struct FileStatus
{
    std::error_code error;
    bool isFile = false;
    bool isFolder = false;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool isLink = false; // the path itself is a symbolic link; the rest describes its target
};

// One entry below a folder, as a listing of the whole tree describes it.
struct TreeEntry
{
    enum class Kind { File, Folder, Link, Other };
    std::string path; // below the listed folder, '/' between names
    Kind kind = Kind::Other;
    std::uint64_t size = 0;      // files only
    std::int64_t modifiedNs = 0; // files only

    bool operator==(const TreeEntry&) const = default;
};

struct TreeListing
{
    std::error_code error;
    std::vector<TreeEntry> entries; // sorted by path
};

struct FirstLine
{
    std::error_code error;
    bool present = false; // false when the file holds no characters at all
    // The first line without its line end, as raw bytes; on Windows, a line that is not
    // UTF-8 is read in the ANSI code page and given as UTF-8.
    std::string text;
};

// How a read shares the disk with everybody else's reads and writes.
enum class DiskPriority {
    Normal,
    // Waits for the others: for a check of backups, worth less than the game's own writes.
    Idle,
};

class FileServices
{
public:
    virtual ~FileServices() = default;

    // The folder everything of the program is written below, without a trailing '/'.
    virtual std::string AppDir() const = 0;

    // The last name of `path` when it is an existing regular file, otherwise "".
    virtual std::string FirstEntry(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    // What `path` is, links followed (`isLink` tells whether it is one); `error` is set when
    // it does not exist.
    virtual FileStatus Status(const std::string& path) = 0;
    // `path` with every symbolic link in it followed, or `path` itself when it cannot be
    // resolved (it does not exist, say).
    virtual std::string ResolvedPath(const std::string& path) = 0;
    // Whether some other process holds a lock on the file, as a running game does on its
    // save's session.lock; false when the file is missing or cannot be looked at.
    virtual bool IsLockedByAnotherProcess(const std::string& path) = 0;
    // The names in a folder, in no particular order; empty when it cannot be read.
    virtual std::vector<std::string> ListFolder(const std::string& path) = 0;
    virtual std::error_code SetModified(const std::string& path, std::int64_t modifiedNs) = 0;
    // Bytes that may still be written on the filesystem that holds `path`.
    virtual std::optional<std::uint64_t> FreeSpace(const std::string& path) = 0;
    virtual DiskUsage MeasureDiskUsage(const std::vector<std::string>& folders) = 0;
    virtual CopyPlan PlanCopy(const std::string& from, const FolderCopyOptions& options) = 0;
    // Everything below `folder`; links inside are listed, never followed.
    virtual TreeListing ListTree(const std::string& folder) = 0;

    // Creates one folder whose parent exists; fails when it exists already.
    virtual std::error_code MakeDir(const std::string& path) = 0;
    virtual std::error_code DeleteFile(const std::string& path) = 0;
    // Removes a folder with everything in it; links inside are removed, not followed.
    virtual std::error_code RemoveFolder(const std::string& path) = 0;

    // Copies one file into a new file `to`, flushed to disk before it returns. Fails with
    // file_exists when `to` exists; on any failure no part of `to` is left behind.
    virtual std::error_code CopyFile(const std::string& from, const std::string& to) = 0;
    // Renames a file or folder in one step. With `replace` an existing file `to` is
    // replaced atomically; without it the call fails with file_exists instead. Once the
    // name has changed the call succeeds, even when the folder cannot be flushed after it.
    virtual std::error_code Rename(const std::string& from, const std::string& to,
                                   bool replace) = 0;

    // Copies the folder `from` with all it holds into the existing folder `into`, where it
    // appears under its own last name. Links are copied as links.
    virtual FolderCopyResult CopyFolder(const std::string& from, const std::string& into,
                                        const FolderCopyOptions& options) = 0;

    // Reads the first line of a text file (at most 32 KiB); a line ends at CR, CR LF or LF.
    virtual FirstLine ReadFirstLine(const std::string& path) = 0;
    // Creates or truncates `path` and writes `text` followed by CR LF, flushed to disk.
    virtual std::error_code WriteOneLine(const std::string& path, const std::string& text) = 0;
    // Creates or truncates `path` and writes `bytes` as they are, flushed to disk.
    virtual std::error_code WriteText(const std::string& path, const std::string& bytes) = 0;

    // Reads a whole file from its start, handing each piece in turn to `take`; fails with
    // operation_canceled once `cancel` is asked between two pieces.
    virtual std::error_code ReadChunks(const std::string& path,
                                       const std::function<void(std::string_view)>& take,
                                       const std::stop_token& cancel, DiskPriority priority) = 0;
    // Whether two paths name one and the same file (one is a hard link of the other); false
    // when either cannot be looked at.
    virtual bool SameFile(const std::string& first, const std::string& second) = 0;
};

} // namespace saver
