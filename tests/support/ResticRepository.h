// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupOptions.h"
#include "ResticRun.h"
#include "Snapshot.h"
#include "TempDir.h"

#include <QProcess>

#include <filesystem>
#include <stdexcept>
#include <vector>

namespace saver::test {

// A repository of the real restic, in a temporary folder whose name has spaces, quotes and
// Chinese, with its password in a file beside it; made at once unless the test makes it.
class ResticRepository
{
public:
    explicit ResticRepository(bool made = true)
    {
        WriteFile(passwordFile, "a password\n");
        if (made)
            Run({QStringLiteral("init")});
    }

    OffsiteOptions Options(OffsiteScope scope = OffsiteScope::Every) const
    {
        return {.scope = scope, .repository = path, .passwordSource = passwordFile};
    }

    // restic's standard output; throws when it fails.
    QByteArray Run(const QStringList& arguments) const
    {
        QProcess restic;
        restic.setProcessEnvironment(ResticRun::Environment(Options()));
        restic.start(QStringLiteral("restic"), arguments);
        if (!restic.waitForFinished(60'000) || restic.exitCode() != 0)
            throw std::runtime_error("restic failed: " +
                                     restic.readAllStandardError().toStdString());
        return restic.readAllStandardOutput();
    }

    std::vector<Snapshot> Snapshots() const
    {
        return Snapshot::ListFrom(Run({QStringLiteral("snapshots"), QStringLiteral("--json")}));
    }

    std::uintmax_t Bytes() const
    {
        std::uintmax_t bytes = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(NativePath(path)))
            bytes += entry.is_regular_file() ? entry.file_size() : 0;
        return bytes;
    }

    TempDir dir;
    const std::string path = dir.path() + "/仓库 'a' \"b\"";
    const std::string passwordFile = dir.path() + "/password";
};

} // namespace saver::test
