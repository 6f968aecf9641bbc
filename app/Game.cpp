#include "Game.h"

#include "AudioDevice.h"
#include "FluidMusicSequencer.h"
#include "MixerSoundPlayer.h"
#include "Random.h"
#include "SteadyClock.h"
#include "TForm1.h"

namespace morrow {

struct Game::Own {
    explicit Own(const FormCollaborators& c) {
        if (!c.clock) {
            clock = std::make_unique<SteadyClock>();
        }
        if (!c.records) {
            records = std::make_unique<GameRecordFile>(DefaultGameRecordPath(), c.clock ? *c.clock : *clock);
        }
        // The sound output opens on a thread of its own, so the window does
        // not wait for it.
        if (!c.soundPlayer || !c.music) {
            device = std::make_unique<AudioDevice>();
            player = std::make_unique<MixerSoundPlayer>(*device, c.clock ? c.clock : clock.get());
            music = std::make_unique<FluidMusicSequencer>(*device);
        }
    }
    std::unique_ptr<SteadyClock> clock;
    std::unique_ptr<GameRecordFile> records;
    std::unique_ptr<AudioDevice> device;
    std::unique_ptr<MixerSoundPlayer> player;
    std::unique_ptr<FluidMusicSequencer> music;
};

Game::Game(FormCollaborators c)
    : own_(std::make_unique<Own>(c)), clock_(c.clock ? *c.clock : *own_->clock),
      records_(c.records ? *c.records : *own_->records),
      soundPlayer_(c.soundPlayer ? *c.soundPlayer : *own_->player),
      sequencer_(c.music ? *c.music : *own_->music), field_(session_, clock_),
      sounds_(session_, soundPlayer_), rotation_(session_, sequencer_, clock_),
      dialogs_(session_, field_, records_, sounds_, engine_),
      host_(clock_, field_, sounds_, rotation_, dialogs_),
      engine_(session_, host_, clock_, c.seed ? *c.seed : SeedFromTimeOfDay()) {
    // The start-up tick says welcome; a piece that cannot be played is told
    // to the player.
    rotation_.SetStartUpTick([this] { sounds_.PlayWelcome(); });
    rotation_.SetErrorHandler([this](const std::string& error) { dialogs_.ShowMusicError(error); });
    // A full repaint draws the "Nudge" captions grey: a flashing offer goes
    // on from grey.
    field_.WhenRepainted([this] { engine_.FieldRepainted(); });
    form_ = std::make_unique<TForm1>(
        FormParts{session_, engine_, field_, sounds_, rotation_, records_, dialogs_, c.programDir});
}

Game::~Game() {
    form_.reset();
}

} // namespace morrow
