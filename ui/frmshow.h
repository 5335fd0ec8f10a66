// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EventLog.h"

#include "QuickSlot.h"
#include "Services.h"

#include <QWidget>

#include <memory>

class ClickableLabel;
class ColourButton;
class DesktopNotifier;
class frm_timer;

// The small borderless window that stays on the screen while the game runs: the countdown,
// a quick save and a restore. It brings up the main window on demand.
class frmshow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmshow)

public:
    frmshow(saver::FileServices& files, saver::Clock& clock);
    ~frmshow() override;

    // The main window, made (hidden) the first time anything asks for it.
    frm_timer& MainWindow();

    void SetLabelText(const QString& text);
    // The colour the player chose for the countdown; a failure shows in red over it.
    void SetLabelColour(const QColor& colour);

    // Where failures go besides this window; none until the program sets one.
    void SetNotifier(DesktopNotifier* notifier) { m_notifier = notifier; }
    const EventLog& Log() const { return m_log; }
    // A backup made or a restore done: logged, and otherwise quiet.
    void ReportDone(const QString& text);
    // A failed backup or restore reaches the player in the game: the countdown turns red
    // until the main window is opened, and the desktop says `title` and `text`.
    void ReportFailure(const QString& title, const QString& text);
    // The player has opened the main window and seen the status.
    void ClearAlert();
    bool Alerting() const { return !m_alert.isEmpty(); }
    // Gives a border to drag the window by, or takes it away again; returns the caption of the
    // button that does the next toggle.
    QString ToggleBorder();

    ClickableLabel* const lbl;
    ColourButton* const cmdSave;
    ColourButton* const cmdPaste;

public slots:
    void Form_Load();
    void lbl_Click();
    void cmdSave_Click();
    void cmdPaste_Click();
    // Shows this window, and the main window if it is open, above everything else.
    void BringForward();

signals:
    // Both windows are closed: the program is over.
    void Unloaded();
    // An entry was added to the log.
    void Reported(const QString& entry);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Unload();
    // `what` names the action in a failure's title; `done` is logged when it went through.
    void ShowQuickResult(const saver::QuickResult& result, ColourButton& button,
                         const QString& what, const QString& done);
    QString Logged(const QString& text);
    void ShowLabelState();

    saver::FileServices& m_files;
    saver::Clock& m_clock;
    saver::QuickSlot m_quickSlot;
    std::unique_ptr<frm_timer> m_main;
    DesktopNotifier* m_notifier = nullptr;
    EventLog m_log;
    const QPalette m_labelPalette;
    QColor m_labelColour; // invalid while the player has not chosen one
    QString m_alert;      // the failure the countdown is red for
};
