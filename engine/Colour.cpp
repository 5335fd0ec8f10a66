// SPDX-License-Identifier: GPL-3.0-or-later
#include "Colour.h"

namespace saver {

Colour StepColour(const Colour& current)
{
    if (current == Red)
        return Yellow;
    if (current == Yellow)
        return Green;
    return Red;
}

} // namespace saver
