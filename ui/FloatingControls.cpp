// SPDX-License-Identifier: GPL-3.0-or-later
#include "FloatingControls.h"

#include "ControlFont.h"
#include "ControlPlacement.h"
#include "frmshow.h"
#include "mdl_T.h"

#include <QLabel>
#include <QPushButton>

FloatingControls::FloatingControls(frmshow& floating, const QLabel& countdown, QWidget* window)
    : QGroupBox(QStringLiteral("小窗，透明度： 200"), window),
      VScroll1(new QScrollBar(Qt::Vertical, this)),
      Command1(new QPushButton(QStringLiteral("显示"), this)),
      cmd2(new QPushButton(QStringLiteral("移动"), this)),
      Command2(new QPushButton(QStringLiteral("换色"), this)),
      Timer1(SecondTimer(window, "Timer1")), m_floating(floating), m_countdown(countdown),
      CommonDialog1(window)
{
    const QString yaHei = QStringLiteral("微软雅黑");
    Place(this, "fram_1", TwipRect(360, 120, 3855, 3255),
          ControlFont(QStringLiteral("宋体"), 14.25));
    Place(VScroll1, "VScroll1", TwipRect(1560, 600, 975, 2175));
    SetRange(VScroll1, 0, 255, 200);
    Place(Command1, "Command1", TwipRect(240, 600, 1095, 615), ControlFont(yaHei, 18));
    Place(cmd2, "cmd2", TwipRect(240, 1320, 1095, 615), ControlFont(yaHei, 18));
    Place(Command2, "Command2", TwipRect(240, 2160, 1095, 615), ControlFont(yaHei, 18));

    connect(Command1, &QPushButton::clicked, this, &FloatingControls::Command1_Click);
    connect(Timer1, &QTimer::timeout, this, &FloatingControls::Timer1_Timer);
    connect(cmd2, &QPushButton::clicked, this, &FloatingControls::cmd2_Click);
    connect(Command2, &QPushButton::clicked, this, &FloatingControls::Command2_Click);
    connect(VScroll1, &QScrollBar::valueChanged, this, &FloatingControls::VScroll1_Change);
}

void FloatingControls::Command1_Click()
{
    m_floating.show();
    m_floating.raise();
    m_floating.activateWindow();
    Timer1->setInterval(1000);
    Timer1->start();
}

void FloatingControls::Timer1_Timer()
{
    m_floating.SetLabelText(m_countdown.text());
}

void FloatingControls::cmd2_Click()
{
    cmd2->setText(m_floating.ToggleBorder());
}

void FloatingControls::Command2_Click()
{
    if (const std::optional<QColor> colour = CommonDialog1.ShowColor()) {
        m_floating.SetLabelColour(*colour);
    }
}

void FloatingControls::VScroll1_Change(int alpha)
{
    setTitle(QStringLiteral("刷物，透明度： ") + QString::number(alpha));
    mdl_T::SetShowAlpha(&m_floating, alpha);
}
