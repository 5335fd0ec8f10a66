// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <string>

namespace saver {

class SystemClock final : public Clock
{
public:
    std::string ClockText() override;
};

} // namespace saver
