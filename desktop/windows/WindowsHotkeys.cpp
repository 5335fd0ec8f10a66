// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowsHotkeys.h"

#include <windows.h>

#include <QCoreApplication>

#include <atomic>
#include <optional>

namespace {

// Windows asks applications to keep their hotkey ids below 0xC000.
int NextId()
{
    static std::atomic<int> next = 1;
    return next++;
}

// The virtual-key code of the keys a hotkey may end with: letters, digits, function keys and
// the named keys of the main block; none for the others.
std::optional<UINT> VirtualKey(Qt::Key key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        return static_cast<UINT>(key); // the same ASCII codes
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return static_cast<UINT>(VK_F1 + (key - Qt::Key_F1));
    }
    switch (key) {
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_Return:
        return VK_RETURN;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
        return VK_TAB;
    default:
        return std::nullopt;
    }
}

UINT WindowsModifiers(Qt::KeyboardModifiers modifiers)
{
    UINT mods = 0;
    mods |= (modifiers & Qt::ControlModifier) ? MOD_CONTROL : 0;
    mods |= (modifiers & Qt::AltModifier) ? MOD_ALT : 0;
    mods |= (modifiers & Qt::ShiftModifier) ? MOD_SHIFT : 0;
    mods |= (modifiers & Qt::MetaModifier) ? MOD_WIN : 0;
    return mods;
}

} // namespace

WindowsHotkeys::WindowsHotkeys()
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowsHotkeys::~WindowsHotkeys()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const auto& [action, id] : m_registered) {
        ::UnregisterHotKey(nullptr, id);
    }
}

GlobalHotkeys::Outcome WindowsHotkeys::Grab(Action action, QKeyCombination keys)
{
    const std::optional<UINT> key = VirtualKey(keys.key());
    if (!key) {
        return Outcome::Unsupported;
    }
    const int id = NextId();
    // MOD_NOREPEAT: a key held down saves once, not at the keyboard's repeat rate.
    if (!::RegisterHotKey(nullptr, id, WindowsModifiers(keys.keyboardModifiers()) | MOD_NOREPEAT,
                          *key)) {
        return ::GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED ? Outcome::Taken
                                                                   : Outcome::Unsupported;
    }
    m_registered[action] = id;
    return Outcome::Bound;
}

void WindowsHotkeys::Release(Action action)
{
    const auto found = m_registered.find(action);
    if (found == m_registered.end()) {
        return;
    }
    ::UnregisterHotKey(nullptr, found->second);
    m_registered.erase(found);
}

// Registered without a window, the presses come as thread messages, which Qt shows every
// filter before it dispatches anything.
bool WindowsHotkeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "windows_generic_MSG") {
        return false;
    }
    const auto* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_HOTKEY) {
        return false;
    }
    for (const auto& [action, id] : m_registered) {
        if (static_cast<WPARAM>(id) == msg->wParam) {
            // Not from inside the event handling of Qt: the action may open a message box.
            QMetaObject::invokeMethod(
                this, [this, pressed = action] { emit Triggered(pressed); }, Qt::QueuedConnection);
            return true;
        }
    }
    return false;
}
