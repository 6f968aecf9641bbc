// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationTitle.h"
#include "FirstPaint.h"
#include "Game.h"
#include "GamepadInput.h"
#include "LateAudio.h"
#include "ProcessSettings.h"
#include "SteadyClock.h"
#include "TForm1.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QMessageBox>

#include <chrono>

namespace {
// Long enough for the goodbye to be heard out, short enough that a stuck
// output never keeps the program from ending.
constexpr std::chrono::milliseconds kGoodbyeWait{5000};
} // namespace

int main(int argc, char* argv[]) {
    morrow::ApplyProcessSettings();
    QApplication application(argc, argv);
    morrow::ApplyApplicationTitle();

    // One clock for the whole game, the waits for a sound's end included.
    // The sound output and the synthesiser live for the whole run. They are
    // loaded once the window has first painted (or by the first sound asked
    // for before that), so the window appears without waiting for them;
    // they open on threads of their own.
    morrow::SteadyClock clock;
    // Game controllers start here, before the sound output's thread starts SDL.
    morrow::GamepadInput gamepads;
    morrow::LateAudio audio(QCoreApplication::applicationDirPath(), &clock);
    morrow::FirstPaint firstPaint([&audio] { audio.Load(); });
    // Without any SoundFont there is no sequencer to play the music with:
    // the player is told, and the game does not start.
    if (const std::optional<std::string> error = audio.MusicError()) {
        QMessageBox::critical(nullptr, QString::fromLatin1(morrow::kApplicationTitle),
                              QString::fromStdString(*error));
        return 1;
    }

    int result = 0;
    {
        // The game and its window live in this block until the message loop
        // has ended, so nothing running inside it can outlive it.
        morrow::FormCollaborators collaborators;
        collaborators.clock = &clock;
        collaborators.soundPlayer = &audio.Effects();
        collaborators.music = &audio.Music();
        morrow::Game game(collaborators);
        morrow::TForm1& form = game.Window();
        // Out of sight and with nothing to hear, the sound output rests.
        game.Visibility().WhenChanged([&audio](bool seen) { audio.SetSeen(seen); });
        // Ended from outside (the session closing, kill), the game is saved
        // as when the player closes the window, and the program ends even
        // when it cannot be.
        morrow::TerminationSignals endRequests(
            form, [&form] { form.CloseUnattended(); }, [&form] { form.SaveUnattended(); });
        form.show();
        result = QApplication::exec();
    }
    // The goodbye started as the player closed the window; let it finish.
    audio.Effects().WaitUntilQuiet(kGoodbyeWait);
    return result;
}
