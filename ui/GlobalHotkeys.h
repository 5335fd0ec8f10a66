// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeySequence>
#include <QObject>

// Key combinations that reach the program while another program, the game, has the focus.
// The windows know only this; how the desktop hands such keys out lives in platform/.
class GlobalHotkeys : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GlobalHotkeys)

public:
    enum class Action { QuickSave, Restore, WholeSave };
    enum class Outcome {
        Bound,
        NoModifier, // a bare key would be taken from every program, the game included
        Taken,      // another program holds the combination
        Unsupported // the desktop or the key cannot be used for a global hotkey
    };

    GlobalHotkeys() = default;
    ~GlobalHotkeys() override = default;

    // Makes the first combination of `keys` trigger `action`, in place of the one it had;
    // empty `keys` only frees the action.
    Outcome Bind(Action action, const QKeySequence& keys);

signals:
    // Delivered through the event loop, never from inside the desktop's event handling: a
    // handler may open a message box.
    void Triggered(GlobalHotkeys::Action action);

protected:
    virtual Outcome Grab(Action action, QKeyCombination keys) = 0;
    virtual void Release(Action action) = 0;
};
