// SPDX-License-Identifier: GPL-3.0-or-later
// The game as a player starts it, but with the reels' random numbers drawn
// from a given seed instead of the time of day, so that packaging/screenshot.sh
// plays the same spins, bonus game and prizes every time it is run.
//
// Usage: morrow-screenshot-game SEED PROGRAM_DIR

#include "ApplicationTitle.h"
#include "Game.h"
#include "ProcessSettings.h"
#include "TForm1.h"

#include <QApplication>
#include <QString>

#include <cstdint>
#include <cstdlib>

int main(int argc, char* argv[]) {
    morrow::ApplyProcessSettings();
    QApplication application(argc, argv);
    morrow::ApplyApplicationTitle();
    morrow::FormCollaborators collaborators;
    collaborators.seed = argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 0U;
    collaborators.programDir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    morrow::Game game(collaborators);
    game.Window().show();
    return QApplication::exec();
}
