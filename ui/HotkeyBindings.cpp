// SPDX-License-Identifier: GPL-3.0-or-later
#include "HotkeyBindings.h"

#include "BackupSession.h"
#include "HotkeyDialog.h"

#include "StatusTexts.h"

#include <QMessageBox>

#include <algorithm>

namespace {

QString RefusalReason(GlobalHotkeys::Outcome outcome)
{
    switch (outcome) {
    case GlobalHotkeys::Outcome::NoModifier:
        return QStringLiteral("没有 Ctrl、Alt、Shift 或 Meta，会占用所有程序的这个键");
    case GlobalHotkeys::Outcome::Taken:
        return QStringLiteral("已被其他程序占用，请换一个组合");
    case GlobalHotkeys::Outcome::Unsupported:
    case GlobalHotkeys::Outcome::Bound:
        break;
    }
    return QStringLiteral("在这个桌面上不能用作全局快捷键");
}

// Not modal to the program: a refusal at start must not hold up the windows.
void Warn(QWidget* parent, const QString& title, const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace

HotkeyBindings::HotkeyBindings(BackupSession& session, GlobalHotkeys* hotkeys)
    : m_session(session), m_file(session.Files()), m_hotkeys(hotkeys)
{
    if (m_hotkeys) {
        connect(m_hotkeys, &GlobalHotkeys::Triggered, this, &HotkeyBindings::Run);
    }
}

void HotkeyBindings::Load(QWidget* parent)
{
    m_current = Bind(m_file.Load(), parent);
}

void HotkeyBindings::Edit(QWidget* parent)
{
    HotkeyDialog dialog(m_current, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    m_current = Bind(dialog.Chosen(), parent);
    if (const std::error_code error = m_file.Save(m_current)) {
        Warn(parent, QStringLiteral("全局快捷键"),
             QStringLiteral("快捷键只在本次运行有效，无法保存设置：") +
                 QString::fromStdString(
                     saver::FailureReason(error, m_session.DataFolder().toStdString())));
    }
}

HotkeyFile::Keys HotkeyBindings::Bind(const HotkeyFile::Keys& keys, QWidget* parent)
{
    HotkeyFile::Keys bound;
    QStringList refused;
    QStringList reasons;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const QString name = keys[i].toString(QKeySequence::PortableText);
        const auto refuse = [&](const QString& reason) {
            refused << name;
            reasons
                << QStringLiteral("%1（%2）：%3").arg(name, HotkeyDialog::ActionNames()[i], reason);
        };
        if (!m_hotkeys) {
            if (!keys[i].isEmpty()) {
                refuse(RefusalReason(GlobalHotkeys::Outcome::Unsupported));
            }
            continue;
        }
        const auto action = GlobalHotkeys::Action(i);
        const auto end = bound.begin() + qsizetype(i);
        if (const auto earlier = std::find(bound.begin(), end, keys[i]);
            !keys[i].isEmpty() && earlier != end) {
            m_hotkeys->Bind(action, {});
            refuse(QStringLiteral("已用于“%1”")
                       .arg(HotkeyDialog::ActionNames()[std::size_t(earlier - bound.begin())]));
            continue;
        }
        const GlobalHotkeys::Outcome outcome = m_hotkeys->Bind(action, keys[i]);
        if (outcome == GlobalHotkeys::Outcome::Bound) {
            bound[i] = keys[i];
        } else {
            refuse(RefusalReason(outcome));
        }
    }
    if (!refused.isEmpty()) {
        Warn(parent, QStringLiteral("快捷键不可用：") + refused.join(QStringLiteral("、")),
             reasons.join(QLatin1Char('\n')));
    }
    return bound;
}

void HotkeyBindings::Run(GlobalHotkeys::Action action)
{
    switch (action) {
    case GlobalHotkeys::Action::QuickSave:
        m_session.Quick(BackupSession::QuickAction::Save);
        break;
    case GlobalHotkeys::Action::Restore:
        m_session.Quick(BackupSession::QuickAction::Restore);
        break;
    case GlobalHotkeys::Action::WholeSave:
        m_session.StartWholeSave();
        break;
    }
}
