// SPDX-License-Identifier: GPL-3.0-or-later
#include "RestoreRecovery.h"

#include "PartialRestoreRecovery.h"
#include "RestoreJournal.h"

#include <utility>

namespace saver {
namespace {

bool SameTree(FileServices& files, const std::string& a, const std::string& b)
{
    const TreeListing first = files.ListTree(a);
    const TreeListing second = files.ListTree(b);
    return !first.error && !second.error && first.entries == second.entries;
}

class Recovery
{
public:
    Recovery(FileServices& files, RestoreRecord record)
        : m_files(files), m_record(std::move(record)), m_at(files, m_record)
    {
        m_result.saveName = m_at.saveName;
        m_result.target = m_at.target;
    }

    RestoreRecovery Run()
    {
        const std::string original = WhereTheOldSaveIs();
        const bool targetThere = m_files.FolderExists(m_at.target);
        const bool incomingThere = m_files.FolderExists(m_at.incoming);
        if (original.empty())
            NeverMoved(targetThere && !incomingThere);
        else if (targetThere && !incomingThere)
            GotThrough(original);
        else if (!targetThere)
            PutBack(original);
        else
            KeepAside(original);
        Remove(m_at.partial);
        if (m_clean)
            m_clean = !m_files.DeleteFile(RestoreJournalPath(m_files));
        return m_result;
    }

private:
    // A rename moves the save whole; a copy is only the save once the original has left.
    // Once the record says the copy in the 【恢复前】 folder is whole, the original beside the
    // save may be half removed.
    std::string WhereTheOldSaveIs()
    {
        const bool copied = m_record.mode == RestoreRecord::Mode::Copy;
        if (copied && !m_record.keptWhole)
            return m_files.FolderExists(m_at.replaced) ? m_at.replaced : std::string();
        if (m_files.FolderExists(m_at.aside))
            return m_at.aside;
        if (m_files.FolderExists(m_at.kept))
            return m_at.kept;
        return copied && m_files.FolderExists(m_at.replaced) ? m_at.replaced : std::string();
    }

    void NeverMoved(bool restoredIntoAnEmptyPlace)
    {
        m_result.kind = restoredIntoAnEmptyPlace && !m_record.hadSave
                            ? RestoreRecovery::Kind::Completed
                            : RestoreRecovery::Kind::Untouched;
        Remove(m_at.asideFolder);
        // A copy made across filesystems is kept unless it is the save in its place.
        if (m_files.FolderExists(m_at.keptFolder) && SameTree(m_files, m_at.kept, m_at.target))
            Discard();
    }

    void GotThrough(const std::string& original)
    {
        m_result.kind = RestoreRecovery::Kind::Completed;
        if (original.empty())
            return;
        PointToKept(original);
    }

    // Across filesystems the old save is twice whole: beside its place and copied into
    // 【恢复前】. The player is pointed to the copy, and the original beside the save, which
    // is what tells a restore that got through from one that did not, goes only once the
    // record says the copy is whole.
    void PointToKept(const std::string& original)
    {
        m_result.kept = Listed(original);
        if (original == m_at.replaced && SameTree(m_files, m_at.replaced, m_at.kept) &&
            MarkKeptWhole())
            m_result.kept = m_at.kept;
        if (m_result.kept == m_at.kept && m_record.keptWhole)
            Remove(m_at.replaced);
    }

    bool MarkKeptWhole()
    {
        if (m_record.keptWhole)
            return true;
        m_record.keptWhole = true;
        if (!WriteRestoreRecord(m_files, m_record))
            return true;
        m_clean = false;
        return false;
    }

    void PutBack(const std::string& original)
    {
        const std::error_code error = m_files.Rename(original, m_at.target, false);
        // A rename that went through but could not be flushed reports an error too; one that
        // did not go through leaves the original where it was, whatever took the place since.
        const bool moved =
            !error || (!m_files.FolderExists(original) && m_files.FolderExists(m_at.target));
        if (!moved && m_files.FolderExists(m_at.target)) {
            KeepAside(original);
            return;
        }
        if (!moved) {
            m_result.kind = RestoreRecovery::Kind::KeptAside;
            m_result.error = error;
            m_result.kept = Listed(original);
            m_clean = false;
            return;
        }
        m_result.kind = RestoreRecovery::Kind::PutBack;
        if (original == m_at.aside)
            Remove(m_at.asideFolder);
        // Emptied by the move back, or a copy of the save now in its place.
        if (m_files.FolderExists(m_at.keptFolder) &&
            (original == m_at.kept || SameTree(m_files, m_at.kept, m_at.target)))
            Discard();
    }

    void KeepAside(const std::string& original)
    {
        m_result.kind = RestoreRecovery::Kind::KeptAside;
        m_result.inTheWay = true;
        PointToKept(original);
    }

    // The old save under the 【恢复前】 name, where the backup list shows it, when it can be.
    std::string Listed(const std::string& original)
    {
        if (original != m_at.aside)
            return original;
        if (m_files.Rename(m_at.asideFolder, m_at.keptFolder, false)) {
            m_clean = false;
            return m_at.aside;
        }
        return m_at.kept;
    }

    // A 【恢复前】 folder is shown as a save to restore: it leaves that name before it goes, so
    // that a removal cut short leaves nothing the list would offer.
    void Discard()
    {
        Remove(m_at.asideFolder);
        if (m_files.Rename(m_at.keptFolder, m_at.asideFolder, false))
            m_clean = false;
        else
            Remove(m_at.asideFolder);
    }

    void Remove(const std::string& folder)
    {
        if (m_files.FolderExists(folder) && m_files.RemoveFolder(folder))
            m_clean = false;
    }

    FileServices& m_files;
    RestoreRecord m_record;
    const RestorePlaces m_at;
    RestoreRecovery m_result;
    bool m_clean = true;
};

} // namespace

RestoreRecovery RecoverInterruptedRestore(FileServices& files)
{
    const StoredRestoreRecord stored = ReadRestoreRecord(files);
    if (!stored.present)
        return {};
    if (!stored.record) {
        RestoreRecovery unreadable;
        unreadable.kind = RestoreRecovery::Kind::Unreadable;
        unreadable.kept = RestoreJournalPath(files);
        return unreadable;
    }
    if (stored.record->mode == RestoreRecord::Mode::Partial)
        return RollBackPartialRestore(files, *stored.record);
    return Recovery(files, *stored.record).Run();
}

} // namespace saver
