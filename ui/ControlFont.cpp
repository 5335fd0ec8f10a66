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

void SubstituteLayoutFonts()
{
    // Windows lists the fonts under their English names too; the last of each list are the
    // faces Debian ships (fonts-wqy-microhei, fonts-arphic-uming), which Wine also finds.
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"),
                               {QStringLiteral("Microsoft YaHei"), QStringLiteral("SimHei"),
                                QStringLiteral("WenQuanYi Micro Hei")});
    QFont::insertSubstitutions(
        QStringLiteral("宋体"),
        {QStringLiteral("SimSun"), QStringLiteral("NSimSun"), QStringLiteral("AR PL UMing CN")});
}

QFont DefaultControlFont()
{
    QFont font = QApplication::font();
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}
