#include "ApplicationTitle.h"
#include "AudioDevice.h"
#include "AudioRest.h"
#include "FirstPaint.h"
#include "FluidMusicSequencer.h"
#include "Game.h"
#include "MixerSoundPlayer.h"
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
// The first piece starts a second after the window opens; the SoundFont
// waits for the first frame at most this long before it is read anyway.
constexpr std::chrono::milliseconds kFirstPaintWait{1000};
} // namespace

int main(int argc, char* argv[]) {
    morrow::ApplyProcessSettings();
    QApplication application(argc, argv);
    morrow::ApplyApplicationTitle();

    // The sound output and the synthesiser live for the whole run; they open
    // on threads of their own, so the window appears without waiting. The
    // SoundFont, a large read, starts once the window has first painted.
    // One clock for the whole game, the waits for a sound's end included.
    morrow::SteadyClock clock;
    morrow::AudioDevice audio;
    morrow::MixerSoundPlayer soundPlayer(audio, &clock);
    morrow::FirstPaint firstPaint;
    morrow::FluidMusicSequencer music(audio, morrow::DefaultSoundFonts(),
                                      [&firstPaint] { firstPaint.Wait(kFirstPaintWait); });
    // Without any SoundFont there is no sequencer to play the music with:
    // the player is told, and the game does not start.
    if (const std::optional<std::string> error = music.DeviceError()) {
        QMessageBox::critical(nullptr, QString::fromLatin1(morrow::kApplicationTitle),
                              QString::fromStdString(*error));
        return 1;
    }

    // Out of sight and with nothing to hear, the sound output rests.
    morrow::AudioRest audioRest(audio,
                                [&soundPlayer, &music] { return !soundPlayer.IsPlaying() && music.Quiet(); });

    int result = 0;
    {
        // The game and its window live in this block until the message loop
        // has ended, so nothing running inside it can outlive it.
        morrow::FormCollaborators collaborators;
        collaborators.clock = &clock;
        collaborators.soundPlayer = &soundPlayer;
        collaborators.music = &music;
        morrow::Game game(collaborators);
        morrow::TForm1& form = game.Window();
        game.Visibility().WhenChanged([&audioRest](bool seen) { audioRest.SetSeen(seen); });
        // Ended from outside (the session closing, kill), the game is saved
        // as when the player closes the window, and the program ends even
        // when it cannot be.
        morrow::TerminationSignals endRequests(form, [&form] { form.CloseUnattended(); });
        form.show();
        result = QApplication::exec();
    }
    // The goodbye started as the window closed; let it finish.
    soundPlayer.WaitUntilQuiet(kGoodbyeWait);
    return result;
}
