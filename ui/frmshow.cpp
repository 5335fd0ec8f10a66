// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmshow.h"

#include "BackupSession.h"
#include "ClickableLabel.h"
#include "ColourButton.h"
#include "ControlFont.h"
#include "Twips.h"
#include "mdl_T.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>

frmshow::frmshow(BackupSession& session)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint),
      lbl(new ClickableLabel(QStringLiteral("10:00"), this)),
      cmdSave(new ColourButton(QStringLiteral("保存"), this)),
      cmdPaste(new ColourButton(QStringLiteral("覆盖"), this)), m_session(session),
      m_labelPalette(lbl->palette())
{
    setObjectName(QStringLiteral("frmshow"));
    // The game has the focus while the player points at this window.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    const QSize clientSize(TwipsToPixels(1935), TwipsToPixels(2625));
    setFixedSize(clientSize);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, clientSize,
                                    QGuiApplication::primaryScreen()->availableGeometry()));

    lbl->setObjectName(QStringLiteral("lbl"));
    lbl->setGeometry(TwipRect(0, 0, 1860, 930));
    lbl->setFont(ControlFont(QStringLiteral("微软雅黑"), 36));
    lbl->setAlignment(Qt::AlignCenter);

    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setGeometry(TwipRect(240, 960, 1455, 735));
    cmdSave->setFont(ControlFont(QStringLiteral("微软雅黑"), 15.75));

    cmdPaste->setObjectName(QStringLiteral("cmdPaste"));
    cmdPaste->setGeometry(TwipRect(240, 1800, 1455, 735));
    cmdPaste->setFont(ControlFont(QStringLiteral("微软雅黑"), 15.75));

    // A first start explains itself: what each click does, and where the quick slot is.
    cmdSave->setToolTip(QStringLiteral("保存：把所选存档的 level.dat 复制到数据文件夹，成为 ") +
                        session.QuickSlotFile());
    cmdPaste->setToolTip(QStringLiteral("覆盖：用 tmp.back 覆盖游戏的 level.dat；被覆盖的文件先"
                                        "复制一份安全副本到 ") +
                         session.SafetyFolder());
    ShowLabelState();

    setTabOrder(lbl, cmdSave);
    setTabOrder(cmdSave, cmdPaste);

    connect(lbl, &ClickableLabel::Clicked, this, &frmshow::lbl_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmshow::cmdSave_Click);
    connect(cmdPaste, &QPushButton::clicked, this, &frmshow::cmdPaste_Click);
    connect(&session, &BackupSession::AlertChanged, this, &frmshow::ShowLabelState);
    connect(&session, &BackupSession::QuickDone, this, [this](BackupSession::QuickAction action) {
        ColourButton* button = action == BackupSession::QuickAction::Save ? cmdSave : cmdPaste;
        button->SetColour(saver::StepColour(button->Colour()));
    });
    connect(&session, &BackupSession::QuickRefused, this, &frmshow::ShowRefusal);

    Form_Load();
}

void frmshow::SetLabelText(const QString& text)
{
    lbl->setText(text);
}

void frmshow::SetLabelColour(const QColor& colour)
{
    m_labelColour = colour;
    ShowLabelState();
}

void frmshow::ShowLabelState()
{
    QPalette palette = m_labelPalette;
    const QString& alert = m_session.Alert();
    if (!alert.isEmpty()) {
        palette.setColor(QPalette::WindowText, Qt::red);
    } else if (m_labelColour.isValid()) {
        palette.setColor(QPalette::WindowText, m_labelColour);
    }
    lbl->setPalette(palette);
    const QString help = QStringLiteral("单击：显示或隐藏主窗口");
    lbl->setToolTip(
        alert.isEmpty() ? help : alert + QStringLiteral("\n（打开主窗口后恢复颜色）\n") + help);
}

QString frmshow::ToggleBorder()
{
    const bool borderless = windowFlags().testFlag(Qt::FramelessWindowHint);
    // Changing the flags makes a new native window; it keeps the place of the old one.
    const QRect place = geometry();
    setWindowFlag(Qt::FramelessWindowHint, !borderless);
    setGeometry(place);
    show();
    return borderless ? QStringLiteral("固定") : QStringLiteral("移动");
}

void frmshow::Form_Load()
{
    mdl_T::SetShowAlpha(this, 200);
}

void frmshow::lbl_Click()
{
    emit MainWindowToggled();
    // Without a window manager to honour the stay-on-top hint, the main window would now
    // cover this one.
    raise();
}

void frmshow::cmdSave_Click()
{
    m_session.Quick(BackupSession::QuickAction::Save);
}

void frmshow::cmdPaste_Click()
{
    m_session.Quick(BackupSession::QuickAction::Restore);
}

void frmshow::BringForward()
{
    show();
    emit BroughtForward();
    raise();
    activateWindow();
}

void frmshow::closeEvent(QCloseEvent* event)
{
    event->accept();
    Form_Unload();
}

void frmshow::Form_Unload()
{
    emit Unloaded();
}

void frmshow::ShowRefusal(const QString& title, const QString& text, bool warning)
{
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::NoIcon, title, text,
                    QMessageBox::Ok, this);
    box.exec();
}
