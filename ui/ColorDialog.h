// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

#include <optional>

class QWidget;

// The dialog that picks a colour.
class ColorDialog final
{
public:
    explicit ColorDialog(QWidget* parent);

    // The chosen colour, or nothing when the user cancelled.
    std::optional<QColor> ShowColor() const;

private:
    QWidget* m_parent;
};
