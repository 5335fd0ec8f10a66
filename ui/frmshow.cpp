// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmshow.h"

#include "ClickableLabel.h"
#include "ColourButton.h"
#include "ControlFont.h"
#include "DesktopNotifier.h"
#include "Twips.h"
#include "frm_timer.h"
#include "mdl_T.h"

#include "ClockFields.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>

frmshow::frmshow(saver::FileServices& files, saver::Clock& clock)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint),
      lbl(new ClickableLabel(QStringLiteral("10:00"), this)),
      cmdSave(new ColourButton(QStringLiteral("保存"), this)),
      cmdPaste(new ColourButton(QStringLiteral("覆盖"), this)), m_files(files), m_clock(clock),
      m_quickSlot(files), m_labelPalette(lbl->palette())
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
                        QString::fromStdString(m_quickSlot.SlotPath()));
    cmdPaste->setToolTip(QStringLiteral("覆盖：用 tmp.back 覆盖游戏的 level.dat；被覆盖的文件先"
                                        "复制一份安全副本到 ") +
                         QString::fromStdString(m_quickSlot.SafetyFolder()));
    ShowLabelState();

    setTabOrder(lbl, cmdSave);
    setTabOrder(cmdSave, cmdPaste);

    connect(lbl, &ClickableLabel::Clicked, this, &frmshow::lbl_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmshow::cmdSave_Click);
    connect(cmdPaste, &QPushButton::clicked, this, &frmshow::cmdPaste_Click);

    Form_Load();
}

// frm_timer is complete only here.
frmshow::~frmshow() = default;

frm_timer& frmshow::MainWindow()
{
    if (!m_main) {
        m_main = std::make_unique<frm_timer>(m_files, m_clock, *this);
    }
    return *m_main;
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

void frmshow::ReportDone(const QString& text)
{
    emit Reported(Logged(text));
}

void frmshow::ReportFailure(const QString& title, const QString& text)
{
    m_alert = title + QStringLiteral("：") + text;
    ShowLabelState();
    if (m_notifier) {
        m_notifier->Notify(title, text);
    }
    emit Reported(Logged(text));
}

void frmshow::ClearAlert()
{
    m_alert.clear();
    ShowLabelState();
}

QString frmshow::Logged(const QString& text)
{
    QString entry = QString::fromStdString(m_clock.ClockText()) + QLatin1Char(' ') + text;
    m_log.Add(entry);
    return entry;
}

void frmshow::ShowLabelState()
{
    QPalette palette = m_labelPalette;
    if (Alerting()) {
        palette.setColor(QPalette::WindowText, Qt::red);
    } else if (m_labelColour.isValid()) {
        palette.setColor(QPalette::WindowText, m_labelColour);
    }
    lbl->setPalette(palette);
    const QString help = QStringLiteral("单击：显示或隐藏主窗口");
    lbl->setToolTip(Alerting() ? m_alert + QStringLiteral("\n（打开主窗口后恢复颜色）\n") + help
                               : help);
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
    if (m_main && m_main->isVisible()) {
        m_main->hide();
        return;
    }
    MainWindow().show();
    // Without a window manager to honour the stay-on-top hint, the main window would now
    // cover this one.
    raise();
}

void frmshow::cmdSave_Click()
{
    ShowQuickResult(m_quickSlot.QuickSave(MainWindow().ChosenPath()), *cmdSave,
                    QStringLiteral("快速保存"),
                    QStringLiteral("快速保存：level.dat 已存入 tmp.back"));
}

void frmshow::cmdPaste_Click()
{
    ShowQuickResult(m_quickSlot.Restore(MainWindow().ChosenPath(), saver::GetHMS(m_clock)),
                    *cmdPaste, QStringLiteral("覆盖"),
                    QStringLiteral("覆盖：tmp.back 已覆盖游戏的 level.dat"));
}

void frmshow::BringForward()
{
    show();
    if (m_main && m_main->isVisible()) {
        m_main->raise();
        m_main->activateWindow();
    }
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
    if (m_main) {
        m_main->close();
    }
    emit Unloaded();
}

void frmshow::ShowQuickResult(const saver::QuickResult& result, ColourButton& button,
                              const QString& what, const QString& done)
{
    using Outcome = saver::QuickResult::Outcome;
    if (result.outcome == Outcome::Done) {
        button.SetColour(saver::StepColour(button.Colour()));
        ReportDone(done);
        return;
    }
    if (result.outcome == Outcome::Failed) {
        ReportFailure(what + QStringLiteral("失败"), QString::fromStdString(result.message));
    }
    // A missing slot is a plain notice; anything else is a failure worth a warning sign.
    const QMessageBox::Icon icon =
        result.outcome == Outcome::NoSlot ? QMessageBox::NoIcon : QMessageBox::Warning;
    QMessageBox box(icon, QString::fromStdString(result.title),
                    QString::fromStdString(result.message), QMessageBox::Ok, this);
    box.exec();
}
