// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A label that answers a mouse click like a button does: on release over the label.
class ClickableLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClickableLabel)

public:
    explicit ClickableLabel(const QString& text, QWidget* parent);

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
