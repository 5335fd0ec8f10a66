// SPDX-License-Identifier: GPL-3.0-or-later
#include "frm_timer.h"

#include "BackupSession.h"
#include "BackupSettingsDialog.h"
#include "ColourButton.h"
#include "ControlFont.h"
#include "ControlPlacement.h"
#include "FittingLabel.h"
#include "WrappingButton.h"
#include "frmshow.h"
#include "mdl_T.h"

#include "StatusTexts.h"

#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>

namespace {

const QString kPathPrompt = QStringLiteral("此处显示存档路径，请先选择level.dat的路径");

const QString kSong = QStringLiteral("宋体");
const QString kYaHei = QStringLiteral("微软雅黑");

} // namespace

frm_timer::frm_timer(BackupSession& session, frmshow& floating)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      Frame1(new QGroupBox(QStringLiteral("【自动保存模块】运行状态"), this)),
      lblShow1(new FittingLabel(QStringLiteral("保存的时间"), Frame1)),
      lblShow2(new FittingLabel(QStringLiteral("保存的状态"), Frame1)),
      lblShow3(new FittingLabel(QStringLiteral("倒计时"), Frame1)),
      fram_1(new FloatingControls(floating, *lblShow3, this)), VScroll1(fram_1->VScroll1),
      Command1(fram_1->Command1), cmd2(fram_1->cmd2), Command2(fram_1->Command2),
      fram_Save(new QGroupBox(kPathPrompt, this)),
      Frame2(new QGroupBox(QStringLiteral("选择保存的源，红色为关，绿色为开"), fram_Save)),
      Opt2(new QRadioButton(QStringLiteral("人物存档"), Frame2)),
      Opt1(new QRadioButton(QStringLiteral("整体存档"), Frame2)),
      fram_HowLong(new QGroupBox(QStringLiteral("保存间隔 5 分钟"), fram_Save)),
      HScroll2(new QScrollBar(Qt::Horizontal, fram_HowLong)),
      Command4(new WrappingButton(QStringLiteral("整体手动保存"), fram_Save)),
      chk1(new ColourButton(QString(), fram_Save)), Timer2(SecondTimer(this, "Timer2")),
      Command3(new WrappingButton(QStringLiteral("重设源存档level.dat路径"), fram_Save)),
      cmdManage(new QPushButton(QStringLiteral("备份管理"), fram_Save)), Timer1(fram_1->Timer1),
      mnuFolder(new FolderMenu(session, *this)), m_session(session), m_floating(floating),
      CommonDialog2(this, QStringLiteral("dat"), QStringLiteral("level.dat"),
                    QStringLiteral("dat 文件 (*.dat)"))
{
    setObjectName(QStringLiteral("frm_timer"));
    setWindowTitle(QStringLiteral("MC存档自动保存"));
    setGeometry(TwipRect(1185, 1170, 10230, 8175));
    // Some styles size a frame's caption by the ink of its glyphs, which cuts off the end of
    // captions that start with a full-width bracket; this sizes it by the text's advance.
    setStyleSheet(QStringLiteral("QGroupBox::title { subcontrol-origin: margin; left: 7px; "
                                 "padding: 0px 2px; }"));

    LayOutStatus();
    LayOutSave();
    SetTabOrder();
    fram_Save->setToolTip(QStringLiteral("备份保存在：") + m_session.DataFolder());
    setContextMenuPolicy(Qt::CustomContextMenu);
    ConnectHandlers();

    // Timer1 runs from the start as laid out; Form_Load holds it until Command1 shows the
    // floating window.
    Timer1->start();
    Command3->setFocus();
    Form_Load();
}

void frm_timer::LayOutStatus()
{
    Place(Frame1, "Frame1", TwipRect(5760, 120, 4215, 3255), ControlFont(kSong, 14.25));
    Place(lblShow1, "lblShow1", TwipRect(240, 480, 3735, 615), ControlFont(kYaHei, 26.25));
    Place(lblShow2, "lblShow2", TwipRect(240, 1320, 3735, 615), ControlFont(kYaHei, 26.25));
    Place(lblShow3, "lblShow3", TwipRect(240, 2280, 3735, 615), ControlFont(kYaHei, 26.25));
}

void frm_timer::LayOutSave()
{
    Place(fram_Save, "fram_Save", TwipRect(360, 3720, 9615, 4215), ControlFont(kYaHei, 14.25));
    Place(Frame2, "Frame2", TwipRect(240, 1920, 5175, 1095), ControlFont(kSong, 14.25));
    Place(Opt2, "Opt2", TwipRect(2760, 480, 1695, 375), ControlFont(kSong, 14.25));
    Place(Opt1, "Opt1", TwipRect(480, 480, 1575, 375), ControlFont(kSong, 14.25));
    Opt1->setChecked(true);
    Place(fram_HowLong, "fram_HowLong", TwipRect(240, 480, 5175, 1215), ControlFont(kSong, 14.25));
    Place(HScroll2, "HScroll2", TwipRect(120, 360, 4935, 735));
    SetRange(HScroll2, 1, 60, 5);
    Place(Command4, "Command4", TwipRect(5640, 3360, 1335, 615), DefaultControlFont());
    Place(chk1, "chk1", TwipRect(5640, 2160, 1335, 735), DefaultControlFont());
    chk1->setCheckable(true);
    chk1->SetColour(saver::Red);
    Place(Command3, "Command3", TwipRect(5640, 960, 1335, 615), DefaultControlFont());
    // In the free space below the kind of backup, level with the manual backup.
    Place(cmdManage, "cmdManage", TwipRect(240, 3360, 1575, 615), DefaultControlFont());
}

void frm_timer::SetTabOrder()
{
    // Frames and labels take no focus here, and chaining a frame would move its children
    // along with it: the order is set among the controls that Tab can reach.
    QWidget* const order[] = {Command3, chk1,     Command4, cmdManage, Command2, cmd2,
                              Command1, VScroll1, HScroll2, Opt1,      Opt2};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void frm_timer::ConnectHandlers()
{
    connect(chk1, &QPushButton::toggled, this, &frm_timer::chk1_Click);
    connect(HScroll2, &QScrollBar::valueChanged, this, &frm_timer::HScroll2_Change);
    for (const auto& choice :
         {std::pair(Opt1, &frm_timer::Opt1_Click), std::pair(Opt2, &frm_timer::Opt2_Click)}) {
        connect(choice.first, &QRadioButton::toggled, this,
                [this, handler = choice.second](bool selected) {
                    if (selected) {
                        (this->*handler)();
                    }
                });
    }
    connect(Timer2, &QTimer::timeout, this, &frm_timer::Timer2_Timer);
    connect(Command4, &QPushButton::clicked, this, &frm_timer::Command4_Click);
    connect(Command3, &QPushButton::clicked, this, &frm_timer::Command3_Click);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& place) { mnuFolder->popup(mapToGlobal(place)); });
    connect(cmdManage, &QPushButton::clicked, this, &frm_timer::cmdManage_Click);
    connect(&m_session, &BackupSession::StatusChanged, this, &frm_timer::ShowStatus);
    connect(&m_session, &BackupSession::ProgressChanged, lblShow2, &QLabel::setText);
    connect(&m_session, &BackupSession::CountdownChanged, lblShow3, &QLabel::setText);
    connect(&m_session, &BackupSession::ChosenSaveChanged, this, &frm_timer::ShowChosenPath);
    connect(&m_floating, &frmshow::MainWindowToggled, this, &frm_timer::ToggleShown);
    connect(&m_floating, &frmshow::BroughtForward, this, [this] {
        if (isVisible()) {
            raise();
            activateWindow();
        }
    });
    connect(&m_floating, &frmshow::Unloaded, this, &QWidget::close);
}

void frm_timer::Form_Load()
{
    mdl_T::SetTopMostWindow(&m_floating, true);
    Timer1->stop();
    if (const std::optional<saver::StatusTexts>& status = m_session.Status()) {
        ShowStatus(QString::fromStdString(status->time), QString::fromStdString(status->text));
    }
    const saver::BackupOptions& options = m_session.Options();
    HScroll2->setValue(options.intervalMinutes);
    (options.kind == saver::BackupKind::WholeSave ? Opt1 : Opt2)->setChecked(true);
    ShowChosenPath();
}

void frm_timer::closeEvent(QCloseEvent* event)
{
    event->accept();
    Form_Unload();
}

void frm_timer::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_session.ClearAlert();
}

// A window already open behind the game is opened again by bringing it to the front.
void frm_timer::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        m_session.ClearAlert();
    }
}

void frm_timer::Form_Unload()
{
    m_session.Stop();
    m_floating.close();
}

void frm_timer::ToggleShown()
{
    setVisible(!isVisible());
}

void frm_timer::chk1_Click()
{
    const bool on = chk1->isChecked();
    m_session.SetAutoBackup(on);
    chk1->SetColour(on ? saver::Green : saver::Red);
    on ? Timer2->start() : Timer2->stop();
}

void frm_timer::HScroll2_Change(int minutes)
{
    m_session.SetInterval(minutes);
    fram_HowLong->setTitle(QStringLiteral("保存间隔 %1 分钟").arg(minutes));
}

void frm_timer::Opt1_Click()
{
    m_session.SetKind(saver::BackupKind::WholeSave);
}

void frm_timer::Opt2_Click()
{
    m_session.SetKind(saver::BackupKind::Character);
}

void frm_timer::Timer2_Timer()
{
    m_session.Tick();
}

// Shown as the system writes paths (C:\…\level.dat on Windows); the session keeps '/'.
void frm_timer::ShowChosenPath()
{
    const QString chosen = m_session.ChosenSave();
    fram_Save->setTitle(chosen.isEmpty() ? kPathPrompt : QDir::toNativeSeparators(chosen));
}

void frm_timer::Command4_Click()
{
    m_session.StartWholeSave();
}

void frm_timer::Command3_Click()
{
    const std::optional<QString> chosen = CommonDialog2.ShowOpen();
    if (!chosen) {
        return;
    }
    if (const std::error_code error = m_session.ChooseSave(*chosen)) {
        BackupSettingsDialog::WarnNotSaved(this, error, m_session.DataFolder());
    }
}

void frm_timer::cmdManage_Click()
{
    mnuFolder->mnuManage_Click();
}

void frm_timer::ShowStatus(const QString& time, const QString& text)
{
    lblShow1->setText(time);
    lblShow2->setText(text);
    lblShow1->setToolTip(time);
    lblShow2->setToolTip(text);
}
