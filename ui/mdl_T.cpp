// SPDX-License-Identifier: GPL-3.0-or-later
#include "mdl_T.h"

#include <QWidget>

namespace mdl_T {

void SetShowAlpha(QWidget* window, int alpha)
{
    window->setWindowOpacity(alpha / 255.0);
}

} // namespace mdl_T
