// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileDialog.h"
#include "FloatingControls.h"
#include "FolderMenu.h"

#include <QWidget>

class BackupSession;
class ColourButton;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;
class frmshow;

// The main window: the chosen save, the automatic backup and its schedule, and the controls of
// the floating window. Every handler passes its event to the session and shows the answer.
class frm_timer final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frm_timer)

public:
    frm_timer(BackupSession& session, frmshow& floating);

    QGroupBox* const Frame1;
    QLabel* const lblShow1;
    QLabel* const lblShow2;
    QLabel* const lblShow3;
    FloatingControls* const fram_1;
    QScrollBar* const VScroll1;
    QPushButton* const Command1;
    QPushButton* const cmd2;
    QPushButton* const Command2;
    QGroupBox* const fram_Save;
    QGroupBox* const Frame2;
    QRadioButton* const Opt2;
    QRadioButton* const Opt1;
    QGroupBox* const fram_HowLong;
    QScrollBar* const HScroll2;
    QPushButton* const Command4;
    ColourButton* const chk1;
    QTimer* const Timer2;
    QPushButton* const Command3;
    QPushButton* const cmdManage;
    QTimer* const Timer1;
    // Opened by a right click anywhere in the window, so the fixed layout stays as it is.
    FolderMenu* const mnuFolder;

public slots:
    void Form_Load();
    void chk1_Click();
    void HScroll2_Change(int minutes);
    void Opt1_Click();
    void Opt2_Click();
    void Timer2_Timer();
    void Command4_Click();
    void Command3_Click();
    void cmdManage_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void LayOutStatus();
    void LayOutSave();
    void SetTabOrder();
    void ConnectHandlers();

    void Form_Unload();
    void ShowChosenPath();
    void ShowStatus(const QString& time, const QString& text);
    void ToggleShown();

    BackupSession& m_session;
    frmshow& m_floating;
    FileDialog CommonDialog2;
};
