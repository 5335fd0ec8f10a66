// SPDX-License-Identifier: GPL-3.0-or-later
#include "ColourButton.h"

namespace {

saver::Colour FromQColor(const QColor& colour)
{
    return {colour.red(), colour.green(), colour.blue()};
}

} // namespace

ColourButton::ColourButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent), m_colour(FromQColor(palette().color(QPalette::Button)))
{
}

void ColourButton::SetColour(const saver::Colour& colour)
{
    m_colour = colour;
    // A flat fill: the styles' gradients would show shades the engine never chose. The
    // bevelled border keeps it looking like a button, sunken while pressed or switched on.
    const QString fill =
        QStringLiteral("rgb(%1, %2, %3)").arg(colour.red).arg(colour.green).arg(colour.blue);
    setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; border: 2px outset %1; }"
                       "QPushButton:pressed, QPushButton:checked { border-style: inset; }")
            .arg(fill));
}
