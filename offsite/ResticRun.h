// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ResticOutcome.h"

#include "BackupOptions.h"

#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <chrono>

// The restic to run and the repository it works on.
struct ResticSetup
{
    QString program; // "" when restic is not installed
    saver::OffsiteOptions options;
};

// One run of restic as a child process at low priority: no shell between, its arguments as
// given, the repository and the password's source handed over in its environment. Each JSON
// line it writes is passed on as it comes. A run that writes nothing for `quiet` is stopped.
class ResticRun final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResticRun)

public:
    ResticRun(const ResticSetup& setup, QStringList arguments, std::chrono::milliseconds quiet,
              QObject* parent = nullptr);

    // Runs in `folder`; the outcome comes with Finished, also when restic cannot start.
    void Start(const QString& folder = {});
    void Cancel();

    // The environment restic sees: the little of the program's that it needs to find its
    // cache, temporary space and the backends' own credentials, none of the RESTIC_ variables
    // the player may have set for other uses, and the repository and password source.
    static QProcessEnvironment Environment(const saver::OffsiteOptions& options);

signals:
    void Line(const QJsonObject& line);
    void Finished(const ResticOutcome& outcome);

private:
    void ReadOutput();
    void Finish(ResticOutcome::Kind kind);

    QString m_program;
    QStringList m_arguments;
    QProcess m_process;
    QTimer m_quiet;
    QByteArray m_output;
    QByteArray m_pending; // stdout after its last complete line
    QByteArray m_errors;
    bool m_finished = false;
    bool m_cancelled = false;
    bool m_timedOut = false;
};
