// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>

// A push button whose caption breaks into lines when it is wider than the button: some
// captions are long for the small buttons of the layout.
class WrappingButton final : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WrappingButton)

public:
    explicit WrappingButton(const QString& text, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};
