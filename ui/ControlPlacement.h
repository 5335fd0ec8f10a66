// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Twips.h"

#include <QFont>
#include <QScrollBar>
#include <QString>
#include <QTimer>

// The fixed layout of the windows: each control by name, place in twips and font.

template <typename Control> Control* Place(Control* control, const char* name, const QRect& place)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(place);
    return control;
}

template <typename Control>
Control* Place(Control* control, const char* name, const QRect& place, const QFont& font)
{
    control->setFont(font);
    return Place(control, name, place);
}

// Scroll bars move one step for a click on the arrows and on the track alike.
inline void SetRange(QScrollBar* bar, int minimum, int maximum, int value)
{
    bar->setRange(minimum, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setValue(value);
    bar->setFocusPolicy(Qt::StrongFocus);
}

inline QTimer* SecondTimer(QObject* parent, const char* name)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(1000);
    return timer;
}
