// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QWidget;

// The questions and messages the backup list puts to the player. Tests answer them in place of
// the modal boxes, which cannot be driven from inside a test.
class UserPrompt final
{
public:
    // A yes/no question whose default answer is no.
    static bool Confirm(QWidget* parent, const QString& title, const QString& text);
    static void Inform(QWidget* parent, const QString& title, const QString& text);

    // Every later question and message goes to `answerer` instead, which returns the answer to a
    // question; an empty one brings the boxes back.
    static void setAnswererForTests(std::function<bool(const QString& text)> answerer);
};
