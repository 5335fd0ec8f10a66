// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A label that shows its whole text however long: in its own font while it fits, otherwise in
// the largest smaller one that does, broken into lines where needed. A status must never lose
// its end, which is where the reason of a failure is.
class FittingLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FittingLabel)

public:
    explicit FittingLabel(const QString& text, QWidget* parent);

    struct Fit
    {
        QFont font;
        int flags = 0; // Qt::AlignmentFlag and Qt::TextFlag
    };
    // How the text is drawn now.
    Fit Fitted() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
