// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResticOutcome.h"

ResticOutcome::Kind ResticOutcome::KindOf(int exitCode, const QByteArray& errors)
{
    // 10 to 12 are the codes of later restic versions; 0.14 says it in words only.
    if (exitCode == 0)
        return Kind::Done;
    if (exitCode == 3)
        return Kind::SomeFilesUnread;
    if (exitCode == 11 || errors.contains("unable to create lock") ||
        errors.contains("repository is already locked"))
        return Kind::Locked;
    if (exitCode == 12 || errors.contains("wrong password or no key found"))
        return Kind::WrongPassword;
    if (exitCode == 10 || errors.contains("Is there a repository at the following location?"))
        return Kind::NoRepository;
    return Kind::Failed;
}
