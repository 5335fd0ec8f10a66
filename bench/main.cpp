// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileTiming.h"
#include "ui/WindowTiming.h"

#include <QApplication>
#include <QFont>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    using namespace saver::bench;
    // Without a display the figures do not depend on a desktop's compositor; a platform
    // chosen on purpose is used as it is.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Set up as app/main.cpp sets the program up, which the start-up time includes.
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mcsaver"));
    QFont::insertSubstitution(QStringLiteral("微软雅黑"), QStringLiteral("WenQuanYi Micro Hei"));
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("WenQuanYi Zen Hei"));
    QApplication::setQuitOnLastWindowClosed(false);

    const std::vector<std::string> words(argv + 1, argv + argc);
    const std::string command = words.empty() ? "" : words[0];
    try {
        if ((command == "copy" || command == "cow") && words.size() == 5) {
            CompareCopies(words[1], words[2], words[3], std::stoi(words[4]), command == "cow");
        } else if (command == "share" && words.size() == 3) {
            TimeSharedBackups(words[1], words[2]);
        } else if (command == "manifest" && words.size() == 4) {
            TimeManifests(words[1], words[2], std::stoi(words[3]));
        } else if (command == "verify" && words.size() == 3) {
            TimeVerification(words[1], words[2]);
        } else if (command == "quick" && words.size() == 2) {
            TimeQuickSlot(words[1]);
        } else if (command == "during-copy" && words.size() == 3) {
            TimeDuringCopies(words[1], words[2]);
        } else if (command == "startup" && words.size() == 2) {
            TimeStartup(words[1]);
        } else if (command == "startup-child" && words.size() == 3) {
            StartupChild(words[1], words[2]);
        } else {
            std::cerr << "usage: saver_bench copy|cow WHERE SAVE WORK ROUNDS | share SAVE WORK | "
                         "quick WORK\n"
                         "       saver_bench manifest SAVE WORK ROUNDS | verify SAVE WORK\n"
                         "       saver_bench during-copy SAVE APP_DIR | startup APP_DIR\n";
            return 2;
        }
        return 0;
    } catch (const std::exception& failure) {
        // A figure taken over a step that failed would mislead, so any failure ends the run.
        std::cerr << "saver_bench " << command << ": " << failure.what() << std::endl;
        return 1;
    }
}
