// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class BackupSession;
class ClickableLabel;
class ColourButton;

// The small borderless window that stays on the screen while the game runs: the countdown,
// a quick save and a restore. A click on the countdown brings up the main window.
class frmshow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmshow)

public:
    explicit frmshow(BackupSession& session);

    void SetLabelText(const QString& text);
    // The colour the player chose for the countdown; a failure shows in red over it.
    void SetLabelColour(const QColor& colour);
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
    // The main window is to be shown, or hidden when it is showing.
    void MainWindowToggled();
    // The main window, if it is open, is to come above everything else but this one.
    void BroughtForward();
    // This window is closed: the program is over.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Unload();
    void ShowLabelState();
    void ShowRefusal(const QString& title, const QString& text, bool warning);

    BackupSession& m_session;
    const QPalette m_labelPalette;
    QColor m_labelColour; // invalid while the player has not chosen one
};
