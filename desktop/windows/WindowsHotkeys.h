// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlobalHotkeys.h"

#include <QAbstractNativeEventFilter>

#include <map>

// Global hotkeys on Windows: each combination is registered with RegisterHotKey for the window
// thread, so its presses come here as WM_HOTKEY whichever program has the focus. A
// combination that another program registered first is refused, as Windows refuses it.
class WindowsHotkeys final : public GlobalHotkeys, public QAbstractNativeEventFilter
{
public:
    WindowsHotkeys();
    ~WindowsHotkeys() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    Outcome Grab(Action action, QKeyCombination keys) override;
    void Release(Action action) override;

private:
    // The ids Windows knows the registrations by; unique within the process.
    std::map<Action, int> m_registered;
};
