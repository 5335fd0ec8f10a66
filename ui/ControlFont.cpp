// SPDX-License-Identifier: GPL-3.0-or-later
#include "ControlFont.h"

#include <QApplication>

QFont ControlFont(const QString& family, qreal points)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    return font;
}

QFont DefaultControlFont()
{
    QFont font = QApplication::font();
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}
