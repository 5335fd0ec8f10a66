// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupSession.h"
#include "ClickableLabel.h"
#include "FileDialog.h"
#include "FolderTrees.h"
#include "GatedFileServices.h"
#include "SettableClock.h"
#include "SystemServices.h"
#include "TempDir.h"
#include "frm_timer.h"
#include "frmshow.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>

inline const std::string kLevel = "level data, first version";

// The program as main() puts it together on a fresh save folder (level.dat and a region
// file), the program's folder beside it and a clock the test moves: both windows shown and
// level.dat chosen. Whole saves wait at the gate of `files` until the test opens it.
struct TestProgram
{
    // `options` is what options.ini holds at the start.
    explicit TestProgram(const std::string& options = {}) : app(Prepared(root, options))
    {
        floating.show();
        QTest::mouseClick(floating.lbl, Qt::LeftButton);
        FileDialog::setNextFileName(QString::fromStdString(levelDat));
        QTest::mouseClick(main.Command3, Qt::LeftButton);
    }
    // The clock moves on by `seconds`, then the main window's timer fires.
    void Tick(int seconds) { clock.Advance(seconds), main.Timer2_Timer(); }

    static std::string Prepared(const saver::test::TempDir& root, const std::string& options)
    {
        std::string app = root.path() + "/app";
        saver::test::WriteTree(root.path(),
                               {{"world/level.dat", kLevel}, {"world/region/r.0.0.mca", "region"}});
        std::filesystem::create_directory(app);
        if (!options.empty())
            saver::test::WriteFile(app + "/options.ini", options);
        return app;
    }

    saver::test::TempDir root;
    const std::string app, save = root.path() + "/world";
    const std::string levelDat = save + "/level.dat";
    saver::test::SettableClock clock;
    saver::SystemServices real{app};
    GatedFileServices files{real};
    BackupSession session{files, clock};
    frmshow floating{session};
    frm_timer main{session, floating};
};

// Runs `answer` on the dialog of type T once the window has it open, modal.
template <typename T> void WhenModal(std::function<void(T&)> answer)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, answer = std::move(answer)] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            answer(*dialog);
            // A check that failed halfway leaves it open: the test goes on to fail, not hang.
            if (dialog->isVisible())
                dialog->reject();
        }
    });
    poll->start(10);
}
