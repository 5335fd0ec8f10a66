// SPDX-License-Identifier: GPL-3.0-or-later
#include "mdl_T.h"

#include <QWidget>

namespace mdl_T {

void SetShowAlpha(QWidget* window, int alpha)
{
    window->setWindowOpacity(alpha / 255.0);
}

int SetTopMostWindow(QWidget* window, bool topmost)
{
    const bool visible = window->isVisible();
    const QRect place = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    window->setGeometry(place);
    if (visible) {
        window->show();
    }
    return topmost ? 1 : 0;
}

} // namespace mdl_T
