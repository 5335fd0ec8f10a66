// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// What happened to the backups in this run, oldest first: what a player looks up after a
// notification has gone by. The oldest entries give way once the log is full.
class EventLog final
{
public:
    static constexpr qsizetype kCapacity = 50;

    void Add(const QString& entry);
    const QStringList& Entries() const { return m_entries; }

private:
    QStringList m_entries;
};
