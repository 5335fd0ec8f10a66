// SPDX-License-Identifier: GPL-3.0-or-later
#include "ColorDialog.h"

#include <QColorDialog>

ColorDialog::ColorDialog(QWidget* parent) : m_parent(parent) {}

std::optional<QColor> ColorDialog::ShowColor() const
{
    QColorDialog dialog(m_parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.selectedColor();
}
