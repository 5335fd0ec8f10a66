// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Colour.h"

#include <QPushButton>

// A push button filled with one flat colour, so that the colour a click stepped to is exactly
// the colour on screen. Until a colour is set it keeps the ordinary button colour.
class ColourButton final : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColourButton)

public:
    explicit ColourButton(const QString& text, QWidget* parent);

    saver::Colour Colour() const { return m_colour; }
    void SetColour(const saver::Colour& colour);

private:
    saver::Colour m_colour;
};
