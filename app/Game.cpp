// SPDX-License-Identifier: GPL-3.0-or-later
#include "Game.h"

#include "LateAudio.h"
#include "Random.h"
#include "SteadyClock.h"
#include "TForm1.h"

#include <QCoreApplication>

namespace morrow {

struct Game::Own {
    explicit Own(const FormCollaborators& c) {
        if (!c.clock) {
            clock = std::make_unique<SteadyClock>();
        }
        if (!c.records) {
            records = std::make_unique<GameRecordFile>(DefaultGameRecordPath(), c.clock ? *c.clock : *clock);
        }
        // The sound output is loaded with the first sound asked for.
        if (!c.soundPlayer || !c.music) {
            audio = std::make_unique<LateAudio>(
                c.programDir.isEmpty() ? QCoreApplication::applicationDirPath() : c.programDir,
                c.clock ? c.clock : clock.get());
        }
    }
    std::unique_ptr<SteadyClock> clock;
    std::unique_ptr<GameRecordFile> records;
    std::unique_ptr<LateAudio> audio;
};

Game::Game(FormCollaborators c)
    : own_(std::make_unique<Own>(c)), clock_(c.clock ? *c.clock : *own_->clock),
      records_(c.records ? *c.records : *own_->records),
      soundPlayer_(c.soundPlayer ? *c.soundPlayer : own_->audio->Effects()),
      sequencer_(c.music ? *c.music : own_->audio->Music()), animationClock_(clock_),
      field_(session_, animationClock_), sounds_(session_, soundPlayer_),
      rotation_(session_, sequencer_, clock_), dialogs_(session_, field_, records_, sounds_, engine_),
      host_(clock_, field_, sounds_, rotation_, dialogs_),
      engine_(session_, host_, animationClock_, c.seed ? *c.seed : SeedFromTimeOfDay()) {
    // The start-up tick says welcome; a piece that cannot be played is told
    // to the player.
    rotation_.SetStartUpTick([this] { sounds_.PlayWelcome(); });
    rotation_.SetErrorHandler([this](const std::string& error) { dialogs_.ShowMusicError(error); });
    // A full repaint draws the "Nudge" captions grey: a flashing offer goes
    // on from grey.
    field_.WhenRepainted([this] { engine_.FieldRepainted(); });
    form_ = std::make_unique<TForm1>(
        FormParts{session_, engine_, field_, sounds_, rotation_, records_, dialogs_, c.programDir});
    // Out of sight, nothing moves or is painted.
    visibility_ = std::make_unique<WindowVisibility>(*form_);
    visibility_->WhenChanged([this](bool seen) {
        animationClock_.SetSeen(seen);
        form_->Canvas().SetSeen(seen);
    });
    if (own_->audio) {
        visibility_->WhenChanged([audio = own_->audio.get()](bool seen) { audio->SetSeen(seen); });
    }
}

Game::~Game() {
    visibility_.reset();
    form_.reset();
}

} // namespace morrow
