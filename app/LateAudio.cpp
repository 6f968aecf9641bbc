// SPDX-License-Identifier: GPL-3.0-or-later
#include "LateAudio.h"

#include <QLibrary>
#include <QtGlobal>

#include <utility>

namespace morrow {

LateAudio::LateAudio(QString programDir, Clock* clock) : programDir_(std::move(programDir)), clock_(clock) {}

LateAudio::~LateAudio() {
    // The players go before the output they play on; the module stays
    // loaded to the end of the process, as its threads may still be ending.
    output_.reset();
}

std::optional<std::string> LateAudio::MusicError() {
    for (const std::string& font : SoundFontCandidates({})) {
        if (IsPlainFile(font)) {
            return std::nullopt;
        }
    }
    return Load() ? output_->MusicError() : std::nullopt;
}

bool LateAudio::Load() {
    if (tried_) {
        return output_ != nullptr;
    }
    tried_ = true;
    QLibrary module(programDir_ + QLatin1Char('/') + QString::fromLatin1(kAudioOutputModule));
    const auto open = reinterpret_cast<OpenAudioOutputFunction>(module.resolve(kOpenAudioOutput));
    output_.reset(open ? open(clock_) : nullptr);
    if (!output_) {
        loadError_ = open ? "the sound output could not be made" : module.errorString().toStdString();
        qWarning("No sound: %s", loadError_.c_str());
        return false;
    }
    for (auto& [name, bytes] : effects_.waiting_) {
        effects_.real_.push_back(output_->Effects().AddImage(name, bytes));
    }
    effects_.waiting_.clear();
    if (music_.handler_) {
        output_->Music().SetNotifyHandler(std::move(music_.handler_));
    }
    output_->SetSeen(seen_);
    return true;
}

void LateAudio::SetSeen(bool seen) {
    seen_ = seen;
    if (output_) {
        output_->SetSeen(seen);
    }
}

SoundPlayer* LateAudio::LateEffects::Real() {
    return audio_.Load() ? &audio_.output_->Effects() : nullptr;
}

void LateAudio::LateEffects::PlayFile(const std::string& path, SoundWait wait) {
    if (SoundPlayer* real = Real()) {
        real->PlayFile(path, wait);
    }
}

SoundImage LateAudio::LateEffects::AddImage(std::string_view name, std::span<const std::uint8_t> wavImage) {
    const SoundImage ours{static_cast<int>(real_.size() + waiting_.size())};
    if (audio_.output_) {
        real_.push_back(audio_.output_->Effects().AddImage(name, wavImage));
    } else if (!audio_.tried_) {
        waiting_.emplace_back(std::string(name), std::vector<std::uint8_t>(wavImage.begin(), wavImage.end()));
    } else {
        real_.push_back(SoundImage{});
    }
    return ours;
}

void LateAudio::LateEffects::PlayImage(SoundImage image) {
    SoundPlayer* real = Real();
    if (real && image.id >= 0 && static_cast<std::size_t>(image.id) < real_.size()) {
        real->PlayImage(real_[static_cast<std::size_t>(image.id)]);
    }
}

bool LateAudio::LateEffects::IsPlaying() {
    return audio_.output_ && audio_.output_->Effects().IsPlaying();
}

bool LateAudio::LateEffects::WaitUntilQuiet(std::chrono::milliseconds limit) {
    return !audio_.output_ || audio_.output_->Effects().WaitUntilQuiet(limit);
}

MusicSequencer* LateAudio::LateMusic::Real() {
    return audio_.Load() ? &audio_.output_->Music() : nullptr;
}

void LateAudio::LateMusic::SetNotifyHandler(NotifyHandler handler) {
    if (audio_.output_) {
        audio_.output_->Music().SetNotifyHandler(std::move(handler));
    } else {
        handler_ = std::move(handler);
    }
}

std::optional<std::string> LateAudio::LateMusic::Open(const std::string& path) {
    MusicSequencer* real = Real();
    return real ? real->Open(path) : std::nullopt;
}

std::optional<std::string> LateAudio::LateMusic::Play() {
    MusicSequencer* real = Real();
    return real ? real->Play() : std::nullopt;
}

void LateAudio::LateMusic::Close() {
    if (audio_.output_) {
        audio_.output_->Music().Close();
    }
}

} // namespace morrow
