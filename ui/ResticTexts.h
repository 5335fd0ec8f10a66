// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ResticOutcome.h"

#include <QString>

// What the player is told of a run of restic that did not go through.
QString ResticOutcomeText(const ResticOutcome& outcome);
