// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartialRestoreRecovery.h"

#include "DataLayout.h"
#include "SafeFileOps.h"

namespace saver {
namespace {

class Rollback
{
public:
    Rollback(FileServices& files, const RestoreRecord& record)
        : m_files(files), m_record(record), m_at(files, record)
    {
        m_result.partial = true;
        m_result.saveName = m_at.saveName;
        m_result.target = m_at.target;
    }

    RestoreRecovery Run()
    {
        const bool keptAny = m_files.FolderExists(m_at.kept);
        if (keptAny)
            PutBackKept();
        for (const std::string& name : m_record.added)
            RemoveAdded(m_at.target + "/" + name);
        if (m_undone) {
            m_result.kind = RestoreRecovery::Kind::KeptAside;
            m_result.kept = m_stillKept ? m_at.kept : std::string();
            return m_result;
        }
        m_result.kind = keptAny ? RestoreRecovery::Kind::PutBack : RestoreRecovery::Kind::Untouched;
        // What is left now is empty folders and the record, which the next start tries again.
        if (!(m_files.FolderExists(m_at.keptFolder) && m_files.RemoveFolder(m_at.keptFolder)))
            m_files.DeleteFile(RestoreJournalPath(m_files));
        return m_result;
    }

private:
    void PutBackKept()
    {
        const TreeListing listing = m_files.ListTree(m_at.kept);
        if (listing.error)
            Undone(listing.error, true);
        for (const TreeEntry& entry : listing.entries) {
            const std::string kept = m_at.kept + "/" + entry.path;
            if (entry.kind != TreeEntry::Kind::File)
                continue;
            // Half a copy into the 【恢复前】 folder: the original never left its place.
            if (entry.path.ends_with(kTemporarySuffix)) {
                RemoveFile(kept);
                continue;
            }
            const std::string place = m_at.target + "/" + entry.path;
            RemoveFile(TemporaryNameFor(place));
            if (const std::error_code error = MoveFile(m_files, kept, place, true))
                Undone(error, true);
        }
    }

    void RemoveAdded(const std::string& path)
    {
        if (path.ends_with('/')) {
            const std::string folder = path.substr(0, path.size() - 1);
            if (m_files.FolderExists(folder)) {
                if (const std::error_code error = m_files.RemoveFolder(folder))
                    Undone(error, false);
            }
            return;
        }
        RemoveFile(path);
        RemoveFile(TemporaryNameFor(path));
    }

    void RemoveFile(const std::string& path)
    {
        if (m_files.FirstEntry(path).empty())
            return;
        if (const std::error_code error = m_files.DeleteFile(path))
            Undone(error, false);
    }

    void Undone(const std::error_code& error, bool stillKept)
    {
        if (!m_undone)
            m_result.error = error;
        m_undone = true;
        m_stillKept = m_stillKept || stillKept;
    }

    FileServices& m_files;
    const RestoreRecord& m_record;
    const RestorePlaces m_at;
    RestoreRecovery m_result;
    bool m_undone = false;    // something of the restore is still in the save
    bool m_stillKept = false; // some replaced file is still in the 【恢复前】 folder
};

} // namespace

RestoreRecovery RollBackPartialRestore(FileServices& files, const RestoreRecord& record)
{
    return Rollback(files, record).Run();
}

} // namespace saver
