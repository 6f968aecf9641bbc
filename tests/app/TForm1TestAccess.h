// SPDX-License-Identifier: GPL-3.0-or-later
// The window's menu items, named, for the tests and benchmarks that play
// the window: the game reaches them only through its handlers.
#pragma once

#include "TForm1.h"

#include <QAction>

namespace morrow {

struct TForm1TestAccess {
    static QAction& NewGame(TForm1& form) { return *form.NewGame1; }
    static QAction& Exit(TForm1& form) { return *form.Exit1; }
    static QAction& Sound(TForm1& form) { return *form.Sound1; }
    static QAction& Music(TForm1& form) { return *form.Music1; }
    static QAction& Blood(TForm1& form) { return *form.Blood1; }
    static QAction& Animations(TForm1& form) { return *form.Animations1; }
};

} // namespace morrow
