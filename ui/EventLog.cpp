// SPDX-License-Identifier: GPL-3.0-or-later
#include "EventLog.h"

void EventLog::Add(const QString& entry)
{
    if (m_entries.size() == kCapacity) {
        m_entries.removeFirst();
    }
    m_entries.append(entry);
}
