#pragma once

#include "QuickSlot.h"
#include "Services.h"

#include <QWidget>

#include <memory>

class ClickableLabel;
class ColourButton;
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
    // Both windows are closed: the program is over.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Unload();
    void ShowQuickResult(const saver::QuickResult& result, ColourButton& button);

    saver::FileServices& m_files;
    saver::Clock& m_clock;
    saver::QuickSlot m_quickSlot;
    std::unique_ptr<frm_timer> m_main;
};
