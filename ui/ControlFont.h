// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

// A font of the layout, by family and point size, regular weight.
QFont ControlFont(const QString& family, qreal points);

// The application's font, marked as chosen so that a control keeps it instead of taking on
// the font of the frame it sits in.
QFont DefaultControlFont();
