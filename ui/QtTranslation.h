// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QLocale;

// Puts Qt's own texts (the buttons of message boxes, the file and colour dialogs) into the
// language of `locale`, from the translations installed for Qt (on Windows those in
// translations/ beside the program); the program's own texts are Chinese whatever the locale.
// Returns whether Qt has a translation for it.
bool InstallQtTranslation(const QLocale& locale);
