// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlobalHotkeys.h"

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <map>
#include <memory>

struct xcb_connection_t;

// Global hotkeys on X11, which is also what a game under XWayland sees: each combination is
// grabbed on the root window, so its presses come here whichever window has the focus. A
// combination another program grabbed first is refused, as X refuses a second grab.
class X11Hotkeys final : public GlobalHotkeys, public QAbstractNativeEventFilter
{
public:
    // Null when the program does not run on X11.
    static std::unique_ptr<X11Hotkeys> ForThisDisplay();

    explicit X11Hotkeys(xcb_connection_t* connection);
    ~X11Hotkeys() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    Outcome Grab(Action action, QKeyCombination keys) override;
    void Release(Action action) override;

private:
    struct Grabbed
    {
        std::uint8_t keycode = 0;
        std::uint16_t modifiers = 0;
    };
    void Ungrab(const Grabbed& grabbed);

    xcb_connection_t* const m_connection;
    const std::uint32_t m_root;
    std::map<Action, Grabbed> m_grabbed;
};
