// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

// A font of the layout, by family and point size, regular weight.
QFont ControlFont(const QString& family, qreal points);

// The layout names two Windows fonts, 微软雅黑 and 宋体. Where they are missing (on Linux, on a
// Windows without Chinese fonts, under Wine) the nearest that is there takes their place.
void SubstituteLayoutFonts();

// The application's font, marked as chosen so that a control keeps it instead of taking on
// the font of the frame it sits in.
QFont DefaultControlFont();
