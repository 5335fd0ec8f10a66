// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11Hotkeys.h"

#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <utility>

namespace {

// Keys that only change the meaning of others: a grab must hold whichever of them is on.
constexpr std::uint16_t kNumLock = XCB_MOD_MASK_2;
constexpr std::array<std::uint16_t, 4> kLockVariants{0, XCB_MOD_MASK_LOCK, kNumLock,
                                                     XCB_MOD_MASK_LOCK | kNumLock};
constexpr std::uint16_t kChosenModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

std::uint16_t X11Modifiers(Qt::KeyboardModifiers modifiers)
{
    const std::pair<Qt::KeyboardModifier, unsigned> kMasks[] = {
        {Qt::ShiftModifier, XCB_MOD_MASK_SHIFT},
        {Qt::ControlModifier, XCB_MOD_MASK_CONTROL},
        {Qt::AltModifier, XCB_MOD_MASK_1},
        {Qt::MetaModifier, XCB_MOD_MASK_4},
    };
    unsigned mask = 0;
    for (const auto& [modifier, x11] : kMasks) {
        if (modifiers.testFlag(modifier)) {
            mask |= x11;
        }
    }
    return std::uint16_t(mask);
}

// The X key symbol of a Qt key: printable ASCII keys share their codes (letters in lower
// case), function keys run from XK_F1 on, and a few more are listed.
std::optional<xcb_keysym_t> KeySymbol(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return xcb_keysym_t(key - Qt::Key_A + 'a');
    }
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) {
        return xcb_keysym_t(key);
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) {
        return xcb_keysym_t(0xffbe + (key - Qt::Key_F1));
    }
    static const std::map<Qt::Key, xcb_keysym_t> kOthers{
        {Qt::Key_Escape, 0xff1b}, {Qt::Key_Tab, 0xff09},      {Qt::Key_Backspace, 0xff08},
        {Qt::Key_Return, 0xff0d}, {Qt::Key_Enter, 0xff8d},    {Qt::Key_Insert, 0xff63},
        {Qt::Key_Delete, 0xffff}, {Qt::Key_Pause, 0xff13},    {Qt::Key_Print, 0xff61},
        {Qt::Key_Home, 0xff50},   {Qt::Key_End, 0xff57},      {Qt::Key_Left, 0xff51},
        {Qt::Key_Up, 0xff52},     {Qt::Key_Right, 0xff53},    {Qt::Key_Down, 0xff54},
        {Qt::Key_PageUp, 0xff55}, {Qt::Key_PageDown, 0xff56},
    };
    const auto found = kOthers.find(key);
    if (found == kOthers.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<xcb_keycode_t> KeyCode(xcb_connection_t* connection, xcb_keysym_t symbol)
{
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    if (!symbols) {
        return std::nullopt;
    }
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, symbol);
    std::optional<xcb_keycode_t> code;
    if (codes && codes[0] != XCB_NO_SYMBOL) {
        code = codes[0];
    }
    std::free(codes);
    xcb_key_symbols_free(symbols);
    return code;
}

} // namespace

std::unique_ptr<X11Hotkeys> X11Hotkeys::ForThisDisplay()
{
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) {
        return nullptr;
    }
    return std::make_unique<X11Hotkeys>(x11->connection());
}

X11Hotkeys::X11Hotkeys(xcb_connection_t* connection)
    : m_connection(connection),
      m_root(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Hotkeys::~X11Hotkeys()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const auto& [action, grabbed] : m_grabbed) {
        Ungrab(grabbed);
    }
    xcb_flush(m_connection);
}

GlobalHotkeys::Outcome X11Hotkeys::Grab(Action action, QKeyCombination keys)
{
    const std::optional<xcb_keysym_t> symbol = KeySymbol(keys.key());
    const std::optional<xcb_keycode_t> code =
        symbol ? KeyCode(m_connection, *symbol) : std::nullopt;
    if (!code) {
        return Outcome::Unsupported;
    }
    const Grabbed grabbed{*code, X11Modifiers(keys.keyboardModifiers())};
    std::array<xcb_void_cookie_t, kLockVariants.size()> cookies{};
    for (std::size_t i = 0; i < kLockVariants.size(); ++i) {
        cookies[i] =
            xcb_grab_key_checked(m_connection, 1, m_root, grabbed.modifiers | kLockVariants[i],
                                 grabbed.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    }
    Outcome outcome = Outcome::Bound;
    for (const xcb_void_cookie_t& cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
            outcome = error->error_code == XCB_ACCESS ? Outcome::Taken : Outcome::Unsupported;
            std::free(error);
        }
    }
    if (outcome != Outcome::Bound) {
        // Whichever variants were had go back, so the other program keeps the combination.
        Ungrab(grabbed);
        xcb_flush(m_connection);
        return outcome;
    }
    m_grabbed[action] = grabbed;
    return outcome;
}

void X11Hotkeys::Release(Action action)
{
    const auto found = m_grabbed.find(action);
    if (found == m_grabbed.end()) {
        return;
    }
    Ungrab(found->second);
    xcb_flush(m_connection);
    m_grabbed.erase(found);
}

void X11Hotkeys::Ungrab(const Grabbed& grabbed)
{
    for (const std::uint16_t variant : kLockVariants) {
        xcb_ungrab_key(m_connection, grabbed.keycode, m_root, grabbed.modifiers | variant);
    }
}

bool X11Hotkeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS) {
        return false;
    }
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    for (const auto& [action, grabbed] : m_grabbed) {
        if (press->detail == grabbed.keycode &&
            (press->state & kChosenModifiers) == grabbed.modifiers) {
            // Not from inside the event handling of Qt: the action may open a message box.
            QMetaObject::invokeMethod(
                this, [this, pressed = action] { emit Triggered(pressed); }, Qt::QueuedConnection);
            return true;
        }
    }
    return false;
}
