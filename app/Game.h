// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AnimationClock.h"
#include "Clock.h"
#include "GameDialogs.h"
#include "GameEngine.h"
#include "GameRecordFile.h"
#include "GameSession.h"
#include "GameSounds.h"
#include "MusicRotation.h"
#include "MusicSequencer.h"
#include "PlayField.h"
#include "QtGameHost.h"
#include "SoundPlayer.h"
#include "WindowVisibility.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace morrow {

class TForm1;

// What the game is handed from outside: the program entry hands the sound
// output and the synthesiser, a test or a benchmark its fakes. One left
// empty is the real thing. Each is owned by the caller and outlives the game.
struct FormCollaborators {
    Clock* clock = nullptr;             // empty: the system's clock and the event loop's timers
    std::optional<std::uint32_t> seed;  // empty: seeded from the time of day
    QString programDir;                 // empty: the executable's directory
    GameRecordFile* records = nullptr;  // empty: Morrow.ini in the player's config folder
    SoundPlayer* soundPlayer = nullptr; // empty: the sound output of the machine
    MusicSequencer* music = nullptr;    // empty: the synthesiser on that output
};

// The composition root: every object the game is made of, made here in one
// place and handed to the main window, which is made last and so runs the
// start-up sequence with all of them in hand.
class Game {
public:
    explicit Game(FormCollaborators collaborators = {});
    ~Game();

    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    TForm1& Window() { return *form_; }
    GameSession& Session() { return session_; }
    GameEngine& Engine() { return engine_; }
    PlayField& Field() { return field_; }
    MusicRotation& Music() { return rotation_; }
    // Whether the window can be seen; the animations and the canvas follow
    // it, and so may the owner of the sound output.
    WindowVisibility& Visibility() { return *visibility_; }
    GameDialogs& Dialogs() { return dialogs_; }

private:
    // The real clock, record file and audio, for those not handed in.
    struct Own;
    std::unique_ptr<Own> own_;
    Clock& clock_;
    GameRecordFile& records_;
    SoundPlayer& soundPlayer_;
    MusicSequencer& sequencer_;
    AnimationClock animationClock_; // the field's and the wild's animations

    GameSession session_;
    PlayField field_;
    GameSounds sounds_;
    MusicRotation rotation_;
    GameDialogs dialogs_;
    QtGameHost host_;
    GameEngine engine_;
    std::unique_ptr<TForm1> form_; // goes first, before anything it works with
    std::unique_ptr<WindowVisibility> visibility_;
};

} // namespace morrow
