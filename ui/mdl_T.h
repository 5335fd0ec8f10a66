// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace mdl_T {

// alpha runs from 0 (invisible) to 255 (opaque).
void SetShowAlpha(QWidget* window, int alpha);

// Returns 1 when the window was made top-most, 0 when it was made ordinary.
int SetTopMostWindow(QWidget* window, bool topmost);

} // namespace mdl_T
