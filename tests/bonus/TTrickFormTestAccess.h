// SPDX-License-Identifier: GPL-3.0-or-later
// The bonus window's two timers, named, for its tests.
#pragma once

#include "TTrickForm.h"

#include <QTimer>

namespace morrow {

struct TTrickFormTestAccess {
    // From the pick to the close; a test may shorten it.
    static QTimer& CloseTimer(TTrickForm& form) { return form.Timer1; }
    // From opening to "Trick or treat!".
    static const QTimer& GreetingTimer(const TTrickForm& form) { return form.Timer2; }
};

} // namespace morrow
