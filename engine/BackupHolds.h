// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace saver {

// Which backups are in use right now: being restored from, or being removed. A backup in use
// by one is never touched by the other; pruning passes over a held backup and tries again
// after the next backup. Shared by every thread of the program.
class BackupHolds
{
public:
    // Keeps its backup held (or claimed for removal) for as long as it lives.
    class Hold
    {
    public:
        Hold(BackupHolds& holds, std::string path, bool removal);
        Hold(Hold&& other) noexcept;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        Hold& operator=(Hold&&) = delete;
        ~Hold();

    private:
        BackupHolds* m_holds;
        std::string m_path;
        bool m_removal;
    };

    // Nothing when the backup is being removed.
    std::optional<Hold> HoldForUse(const std::string& path);
    // Nothing when the backup is in use.
    std::optional<Hold> HoldForRemoval(const std::string& path);

private:
    std::mutex m_mutex;
    std::map<std::string, int> m_users;
    std::set<std::string> m_removing;
};

} // namespace saver
