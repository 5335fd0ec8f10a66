// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ColorDialog.h"

#include <QGroupBox>

class QLabel;
class QPushButton;
class QScrollBar;
class QTimer;
class frmshow;

// The frame of the main window that runs the floating window: shows it with the countdown,
// lets it be moved, recoloured and made more or less transparent.
class FloatingControls final : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FloatingControls)

public:
    // `countdown` is the label whose text the floating window shows; Timer1 belongs to
    // `window`, as the layout has it.
    FloatingControls(frmshow& floating, const QLabel& countdown, QWidget* window);

    QScrollBar* const VScroll1;
    QPushButton* const Command1;
    QPushButton* const cmd2;
    QPushButton* const Command2;
    QTimer* const Timer1;

public slots:
    void Command1_Click();
    void Timer1_Timer();
    void cmd2_Click();
    void Command2_Click();
    void VScroll1_Change(int alpha);

private:
    frmshow& m_floating;
    const QLabel& m_countdown;
    ColorDialog CommonDialog1;
};
