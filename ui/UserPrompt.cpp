// SPDX-License-Identifier: GPL-3.0-or-later
#include "UserPrompt.h"

#include <QMessageBox>

#include <utility>

namespace {

std::function<bool(const QString&)>& TestAnswerer()
{
    static std::function<bool(const QString&)> answerer;
    return answerer;
}

} // namespace

bool UserPrompt::Confirm(QWidget* parent, const QString& title, const QString& text)
{
    if (const auto& answerer = TestAnswerer()) {
        return answerer(text);
    }
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void UserPrompt::Inform(QWidget* parent, const QString& title, const QString& text)
{
    if (const auto& answerer = TestAnswerer()) {
        answerer(text);
        return;
    }
    QMessageBox::information(parent, title, text);
}

void UserPrompt::setAnswererForTests(std::function<bool(const QString&)> answerer)
{
    TestAnswerer() = std::move(answerer);
}
