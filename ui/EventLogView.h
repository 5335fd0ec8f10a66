// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class EventLog;
class QPlainTextEdit;

// The event log as a small read-only list, the newest entry in sight.
class EventLogView final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EventLogView)

public:
    EventLogView(const EventLog& log, QWidget* parent);

    QPlainTextEdit* const entries;
};
