// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResticRun.h"

#include "ResticSystem.h"

#include <QJsonDocument>

#include <algorithm>

#include <utility>

namespace {

// What restic and the backends it may reach read from the environment, beyond its own
// variables: where to write, and the credentials of sftp, the clouds and rclone.
bool Kept(const QString& name)
{
    static const QStringList kNames = {
        QStringLiteral("PATH"),         QStringLiteral("HOME"),
        QStringLiteral("TMPDIR"),       QStringLiteral("TMP"),
        QStringLiteral("TEMP"),         QStringLiteral("XDG_CACHE_HOME"),
        QStringLiteral("USERPROFILE"),  QStringLiteral("SYSTEMROOT"),
        QStringLiteral("LOCALAPPDATA"), QStringLiteral("APPDATA"),
        QStringLiteral("SSH_AUTH_SOCK")};
    static const QStringList kPrefixes = {QStringLiteral("AWS_"),   QStringLiteral("B2_"),
                                          QStringLiteral("AZURE_"), QStringLiteral("GOOGLE_"),
                                          QStringLiteral("OS_"),    QStringLiteral("RCLONE_")};
    const QString upper = name.toUpper();
    return kNames.contains(upper) ||
           std::any_of(kPrefixes.begin(), kPrefixes.end(),
                       [&upper](const QString& prefix) { return upper.startsWith(prefix); });
}

} // namespace

ResticRun::ResticRun(const ResticSetup& setup, QStringList arguments,
                     std::chrono::milliseconds quiet, QObject* parent)
    : QObject(parent), m_program(setup.program), m_arguments(std::move(arguments))
{
    m_process.setProcessEnvironment(Environment(setup.options));
    RunAtLowPriority(m_process);
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(quiet);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        m_process.kill();
    });
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &ResticRun::ReadOutput);
    connect(&m_process, &QProcess::readyReadStandardError, this, [this] {
        m_errors += m_process.readAllStandardError();
        m_quiet.start();
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            Finish(ResticOutcome::Kind::NotStarted);
    });
    connect(&m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        ReadOutput();
        m_errors += m_process.readAllStandardError();
        if (m_cancelled || m_timedOut)
            Finish(m_cancelled ? ResticOutcome::Kind::Cancelled : ResticOutcome::Kind::TimedOut);
        else
            Finish(status == QProcess::CrashExit ? ResticOutcome::Kind::Failed
                                                 : ResticOutcome::KindOf(code, m_errors));
    });
}

QProcessEnvironment ResticRun::Environment(const saver::OffsiteOptions& options)
{
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment environment;
    for (const QString& name : system.keys()) {
        if (Kept(name))
            environment.insert(name, system.value(name));
    }
    environment.insert(QStringLiteral("RESTIC_REPOSITORY"),
                       QString::fromStdString(options.repository));
    environment.insert(options.password == saver::OffsiteOptions::Password::File
                           ? QStringLiteral("RESTIC_PASSWORD_FILE")
                           : QStringLiteral("RESTIC_PASSWORD_COMMAND"),
                       QString::fromStdString(options.passwordSource));
    return environment;
}

void ResticRun::Start(const QString& folder)
{
    if (m_program.isEmpty()) {
        Finish(ResticOutcome::Kind::NotStarted);
        return;
    }
    m_process.setWorkingDirectory(folder);
    m_quiet.start();
    m_process.start(m_program, m_arguments, QIODevice::ReadOnly);
}

void ResticRun::Cancel()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_cancelled = true;
        AskToStop(m_process);
    }
}

void ResticRun::ReadOutput()
{
    m_quiet.start();
    m_pending += m_process.readAllStandardOutput();
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QByteArray line = m_pending.left(end).trimmed();
        m_pending.remove(0, end + 1);
        m_output += line + '\n';
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            emit Line(document.object());
    }
}

void ResticRun::Finish(ResticOutcome::Kind kind)
{
    if (std::exchange(m_finished, true))
        return;
    m_quiet.stop();
    ResticOutcome outcome;
    outcome.kind = kind;
    outcome.exitCode = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    outcome.message = QString::fromUtf8(m_errors).trimmed();
    outcome.output = m_output + m_pending;
    emit Finished(outcome);
}
