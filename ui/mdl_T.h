// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace mdl_T {

// alpha runs from 0 (invisible) to 255 (opaque).
void SetShowAlpha(QWidget* window, int alpha);

} // namespace mdl_T
