// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where restic is: beside the program first (how it comes on Windows), then on the PATH.
class ResticProgram final
{
public:
    // "" when restic is not installed.
    static QString Find();
};
