// SPDX-License-Identifier: GPL-3.0-or-later
#include "GlobalHotkeys.h"

GlobalHotkeys::Outcome GlobalHotkeys::Bind(Action action, const QKeySequence& keys)
{
    Release(action);
    if (keys.isEmpty()) {
        return Outcome::Bound;
    }
    const QKeyCombination first = keys[0];
    constexpr Qt::KeyboardModifiers kModifiers =
        Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier;
    if (!(first.keyboardModifiers() & kModifiers)) {
        return Outcome::NoModifier;
    }
    return Grab(action, first);
}
