// SPDX-License-Identifier: GPL-3.0-or-later
#include "FluidMusicSequencer.h"

#include "ExtractLoader.h"
#include "MidiReader.h"
#include "PieceInstruments.h"
#include "SoundFontIndex.h"
#include "WholeFile.h"

#include <QMetaObject>
#include <QObject>

#include <SDL.h>
#include <SDL_mixer.h>
#include <fluidsynth.h>
#include <malloc.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>
#include <system_error>
#include <thread>

namespace morrow {

namespace {

// How long the loader waits for the output. Opening takes a fraction of a
// second; the bound only keeps a broken system from holding the music back.
// A play never waits for the loader: asked for while the SoundFont loads, the
// piece starts once it is ready.
constexpr std::chrono::milliseconds kOutputWait{10000};
// After the last voice has died away the synthesiser is rendered this much
// longer, for the reverberation; then it rests until the next piece.
constexpr int kTailSeconds = 2;
constexpr int kBytesPerFrame = 4; // 16-bit stereo
constexpr int kRenderFrames = 64;
// Voices sounding at once. The pieces need far fewer; fading voices beyond
// this are the first to go, which keeps the processor time low in the
// densest passages.
constexpr int kPolyphony = 64;
// How long an open waits for the audio thread to retire the voices of the
// piece before: one or two output buffers (11.6 ms each) as a rule.
constexpr std::chrono::milliseconds kRetireWait{100};

std::string FileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

enum class LoadState { Loading, Ready, Failed };
enum class PlayState { Idle, Playing, Ended };

} // namespace

std::vector<std::string> DefaultSoundFonts() {
    // FluidSynth's own default, as this system built or configured it.
    std::string configured;
    if (fluid_settings_t* settings = new_fluid_settings()) {
        char* font = nullptr;
        if (fluid_settings_dupstr(settings, "synth.default-soundfont", &font) == FLUID_OK &&
            font != nullptr) {
            configured = font;
        }
        fluid_free(font);
        delete_fluid_settings(settings);
    }
    return SoundFontCandidates(configured);
}

struct FluidMusicSequencer::Impl {
    Impl(AudioDevice& output, std::vector<std::string> fonts)
        : device(output), soundFonts(std::move(fonts)) {}

    void LoadSynthesiser();
    bool WaitUntilReady(std::chrono::milliseconds limit);
    // The owning thread, synthesiser ready, no piece loader running: gives
    // the synthesiser the open piece's instruments. The same instruments as
    // the piece before (or the whole font) are there already; new ones are
    // loaded by the piece loader, which takes tens of ms, so the game's
    // frames and sounds go on meanwhile.
    void StartPieceLoad();
    // The piece loader's thread: the text to show when the instruments
    // cannot be loaded.
    std::optional<std::string> LoadPieceInstruments();
    // The owning thread, from its event loop: piece load `load` finished.
    void PieceLoaded(std::uint64_t load, std::optional<std::string> error);
    bool PieceLoading() const { return pieceLoader.joinable(); }
    // A play asked for before it could start starts now, unless `cannot`
    // says why not; then it ends in Failure.
    void StartAskedPlay(std::optional<std::string> cannot);
    // Waits for the piece loader, if one runs; its result is dropped.
    void JoinPieceLoader();
    // Around a SoundFont's loading or unloading: the synthesiser holds its
    // lock all the while, and the audio thread must not wait for it.
    void SetFontChanging(bool changing);
    // Ends the player of the current play; the caller holds `mutex`.
    void DropPlayer(MusicNotify howEnded);
    // Sends a notification to the owning thread's event loop.
    void Post(std::uint64_t play, MusicNotify notify);
    void Deliver(std::uint64_t play, MusicNotify notify);
    void Render(Uint8* stream, int length);
    void EndPlay(MusicNotify notify);
    // Starts a player on the open piece; the synthesiser is ready. The text
    // to show when it cannot.
    std::optional<std::string> StartPlayer();
    // The owning thread, once the loader has finished: starts the play asked
    // for meanwhile, or reports its failure.
    void StartDeferredPlay();

    static void Feed(void* self, Uint8* stream, int length) {
        static_cast<Impl*>(self)->Render(stream, length);
    }
    static int OnTick(void* self, int tick);

    AudioDevice& device;
    const std::vector<std::string> soundFonts;
    std::optional<std::string> deviceError;

    // The loader's results.
    std::mutex loadMutex;
    std::condition_variable loaded;
    LoadState loadState = LoadState::Loading;
    std::string loadError;
    std::string soundFontInUse;
    // The tables of the SoundFont in use, from which each piece gets a
    // SoundFont of its own; nothing when that font is loaded whole.
    std::optional<SoundFontIndex> index;
    fluid_settings_t* settings = nullptr;
    bool hooked = false; // rendering into the output's music stream
    std::thread loader;

    // Shared between the owning thread and the audio thread.
    std::mutex mutex;
    fluid_synth_t* synth = nullptr; // set once, by the loader
    fluid_player_t* player = nullptr;
    std::uint64_t playId = 0; // 0: no play
    PlayState playState = PlayState::Idle;
    int quietFrames = 0; // audio thread: frames rendered since the last voice ended
    // The piece's length in ticks, once the player has read it. The player
    // counts it afresh through every event of the piece on each call, and
    // its tick callback comes hundreds of times a second.
    int totalTicks = 0;
    int tailFrames = 0;
    // A piece's SoundFont is being loaded or unloaded; nothing is sounding.
    bool fontChanging = false;

    // The owning thread only.
    std::vector<std::uint8_t> piece;
    PieceInstruments pieceInstruments;
    bool pieceOpen = false;
    bool pieceInstrumentsLoaded = false;
    bool playWhenReady = false; // a play was asked for before the instruments were there
    // The thread that loads a piece's instruments, and which load it runs;
    // while it runs, it alone touches pieceFont and pieceFontInstruments.
    std::thread pieceLoader;
    std::uint64_t pieceLoadId = 0;
    std::optional<std::string> pieceLoadError;
    // The SoundFont made for the last piece whose instruments were loaded,
    // and what that piece asked for.
    int pieceFont = FLUID_FAILED;
    PieceInstruments pieceFontInstruments;
    std::uint64_t lastPlayId = 0;
    NotifyHandler handler;
    // Lives on the owning thread: queued notifications run there, and are
    // dropped with it when the sequencer goes.
    std::unique_ptr<QObject> notifyContext = std::make_unique<QObject>();
};

void FluidMusicSequencer::Impl::LoadSynthesiser() {
    auto fail = [this](std::string text) {
        const std::lock_guard lock(loadMutex);
        loadState = LoadState::Failed;
        loadError = std::move(text);
        loaded.notify_all();
    };
    if (!device.WaitUntilOpen(kOutputWait)) {
        fail("No sound output could be opened for the music.");
        return;
    }
    settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", static_cast<double>(device.SampleRate()));
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_settings_setint(settings, "synth.polyphony", kPolyphony);
    // The player's clock is the rendered sound itself, so its end is exact.
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_synth_t* made = new_fluid_synth(settings);
    if (made == nullptr) {
        fail("The music synthesiser could not be started.");
        return;
    }
    InstallExtractLoader(made, settings);
    // Each piece gets a SoundFont of its own, made from the font's tables
    // when they can be read: only the samples its notes can sound are held.
    // Otherwise the font is loaded whole, keeping only the samples of the
    // presets the pieces select.
    std::string fontLoaded;
    std::optional<SoundFontIndex> fontIndex;
    for (const std::string& font : soundFonts) {
        if (!IsPlainFile(font)) {
            continue;
        }
        if ((fontIndex = SoundFontIndex::Read(font))) {
            fluid_settings_setint(settings, "synth.dynamic-sample-loading", 0);
            fontLoaded = font;
            break;
        }
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        if (fluid_synth_sfload(made, font.c_str(), 1) != FLUID_FAILED) {
            fontLoaded = font;
            break;
        }
    }
    if (fontLoaded.empty()) {
        delete_fluid_synth(made);
        fail("No SoundFont for the music could be loaded.");
        return;
    }
    {
        const std::lock_guard lock(mutex);
        synth = made;
        tailFrames = kTailSeconds * device.SampleRate();
        quietFrames = tailFrames;
    }
    Mix_HookMusic(&Impl::Feed, this);
    const std::lock_guard lock(loadMutex);
    hooked = true;
    soundFontInUse = fontLoaded;
    index = std::move(fontIndex);
    loadState = LoadState::Ready;
    loaded.notify_all();
}

bool FluidMusicSequencer::Impl::WaitUntilReady(std::chrono::milliseconds limit) {
    std::unique_lock lock(loadMutex);
    loaded.wait_for(lock, limit, [this] { return loadState != LoadState::Loading; });
    return loadState == LoadState::Ready;
}

void FluidMusicSequencer::Impl::StartPieceLoad() {
    if (!index || (pieceFont != FLUID_FAILED && pieceFontInstruments == pieceInstruments)) {
        pieceInstrumentsLoaded = true; // the whole font, or this piece's font again
        return;
    }
    const std::uint64_t load = ++pieceLoadId;
    pieceLoader = std::thread([this, load] {
        std::optional<std::string> error = LoadPieceInstruments();
        QMetaObject::invokeMethod(
            notifyContext.get(), [this, load, error = std::move(error)] { PieceLoaded(load, error); },
            Qt::QueuedConnection);
    });
}

void FluidMusicSequencer::Impl::JoinPieceLoader() {
    if (pieceLoader.joinable()) {
        pieceLoader.join();
    }
}

void FluidMusicSequencer::Impl::PieceLoaded(std::uint64_t load, std::optional<std::string> error) {
    if (!PieceLoading() || load != pieceLoadId) {
        return; // waited for by an open or close since: that piece is gone
    }
    JoinPieceLoader();
    if (error) {
        pieceLoadError = error;
    } else {
        pieceInstrumentsLoaded = true;
    }
    if (playWhenReady) {
        StartAskedPlay(error);
    }
}

void FluidMusicSequencer::Impl::StartAskedPlay(std::optional<std::string> cannot) {
    playWhenReady = false;
    if (!cannot) {
        cannot = StartPlayer();
    }
    if (cannot) {
        // No play has started, so this is the play's own end.
        const std::lock_guard lock(mutex);
        Post(playId, MusicNotify::Failure);
    }
}

void FluidMusicSequencer::Impl::SetFontChanging(bool changing) {
    const std::lock_guard lock(mutex);
    fontChanging = changing;
}

// The piece loader's thread, with no player: the synthesiser may still be
// ringing out the piece before, on the audio thread, which needs none of the
// locks loading takes.
std::optional<std::string> FluidMusicSequencer::Impl::LoadPieceInstruments() {
    const SoundFontExtract extract = index->Extract(pieceInstruments);
    // The piece before goes first, so that two pieces' samples are never
    // held at once. The synthesiser keeps a font until no voice plays its
    // samples, so whatever still rings of that piece (in the rotation a
    // second or more after its end) is cut off and retired by the audio
    // thread first; then the font goes at once, and the memory its samples
    // took is handed back to the system, which the allocator would otherwise
    // keep for itself. Should the voices not go in time, the font goes when
    // they end.
    if (pieceFont != FLUID_FAILED) {
        fluid_synth_all_sounds_off(synth, -1);
        const auto retireBy = std::chrono::steady_clock::now() + kRetireWait;
        while (fluid_synth_get_active_voice_count(synth) > 0 && std::chrono::steady_clock::now() < retireBy) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        SetFontChanging(true);
        fluid_synth_sfunload(synth, pieceFont, 1);
        SetFontChanging(false);
        pieceFont = FLUID_FAILED;
        malloc_trim(0);
    }
    // A piece whose notes sound no sample needs no SoundFont at all.
    if (extract.SampleBytes() > 0) {
        SetFontChanging(true);
        pieceFont = LoadExtract(synth, extract);
        SetFontChanging(false);
        if (pieceFont == FLUID_FAILED) {
            return "The instruments for the music could not be read from \"" + FileNameOf(index->Path()) +
                   "\".";
        }
        pieceFontInstruments = pieceInstruments;
    }
    return std::nullopt;
}

// The audio thread: renders the synthesiser into the music stream, which the
// mixer has cleared, before the effects are mixed over it.
void FluidMusicSequencer::Impl::Render(Uint8* stream, int length) {
    const std::lock_guard lock(mutex);
    if (synth == nullptr || fontChanging || (player == nullptr && quietFrames >= tailFrames)) {
        return;
    }
    const int frames = length / kBytesPerFrame;
    for (int done = 0; done < frames; done += kRenderFrames) {
        const int count = std::min(kRenderFrames, frames - done);
        void* at = stream + done * kBytesPerFrame;
        fluid_synth_write_s16(synth, count, at, 0, 2, at, 1, 2);
    }
    if (player == nullptr && fluid_synth_get_active_voice_count(synth) == 0) {
        quietFrames += frames;
    } else {
        quietFrames = 0;
    }
    // A player that stopped by itself without reaching its last tick failed
    // (a file it could not read after all, which leaves no ticks at all);
    // one that stopped there ended.
    if (player != nullptr && playState == PlayState::Playing &&
        fluid_player_get_status(player) == FLUID_PLAYER_DONE) {
        const int total = fluid_player_get_total_ticks(player);
        EndPlay(total > 0 && fluid_player_get_current_tick(player) >= total ? MusicNotify::Successful
                                                                            : MusicNotify::Failure);
    }
}

// The audio thread, inside Render: the player has reached a new tick.
int FluidMusicSequencer::Impl::OnTick(void* self, int tick) {
    Impl& impl = *static_cast<Impl*>(self);
    if (impl.player == nullptr || impl.playState != PlayState::Playing) {
        return FLUID_OK;
    }
    if (impl.totalTicks <= 0) {
        impl.totalTicks = fluid_player_get_total_ticks(impl.player);
    }
    if (tick >= impl.totalTicks) {
        impl.EndPlay(MusicNotify::Successful);
    }
    return FLUID_OK;
}

// The caller holds `mutex`.
void FluidMusicSequencer::Impl::EndPlay(MusicNotify notify) {
    playState = PlayState::Ended;
    Post(playId, notify);
}

void FluidMusicSequencer::Impl::Post(std::uint64_t play, MusicNotify notify) {
    QMetaObject::invokeMethod(
        notifyContext.get(), [this, play, notify] { Deliver(play, notify); }, Qt::QueuedConnection);
}

// The owning thread, from its event loop.
void FluidMusicSequencer::Impl::Deliver(std::uint64_t play, MusicNotify notify) {
    if (notify == MusicNotify::Successful || notify == MusicNotify::Failure) {
        // The end of a play that has since been closed or played over is old
        // news: that piece is no longer the one the caller means.
        const std::lock_guard lock(mutex);
        if (play != playId) {
            return;
        }
    }
    if (handler) {
        handler(notify);
    }
}

void FluidMusicSequencer::Impl::DropPlayer(MusicNotify howEnded) {
    if (player == nullptr) {
        return;
    }
    if (playState == PlayState::Playing) {
        Post(playId, howEnded);
        // Cut off at once; a piece that ended is left to ring out.
        fluid_synth_all_sounds_off(synth, -1);
    }
    delete_fluid_player(player);
    player = nullptr;
    playId = 0;
    playState = PlayState::Idle;
}

FluidMusicSequencer::FluidMusicSequencer(AudioDevice& device, std::vector<std::string> soundFonts,
                                         std::function<void()> beforeLoading)
    : impl_(std::make_unique<Impl>(device, std::move(soundFonts))) {
    bool anyFont = false;
    for (const std::string& font : impl_->soundFonts) {
        anyFont = anyFont || IsPlainFile(font);
    }
    if (!anyFont) {
        std::string text = "No SoundFont was found for the music. Looked for:";
        for (const std::string& font : impl_->soundFonts) {
            text += " " + font;
        }
        impl_->deviceError = text;
        impl_->loadState = LoadState::Failed;
        impl_->loadError = text;
        return;
    }
    impl_->loader = std::thread([impl = impl_.get(), beforeLoading = std::move(beforeLoading)] {
        if (beforeLoading) {
            beforeLoading();
        }
        impl->LoadSynthesiser();
        QMetaObject::invokeMethod(
            impl->notifyContext.get(), [impl] { impl->StartDeferredPlay(); }, Qt::QueuedConnection);
    });
}

FluidMusicSequencer::~FluidMusicSequencer() {
    impl_->JoinPieceLoader();
    if (impl_->loader.joinable()) {
        impl_->loader.join();
    }
    if (impl_->hooked) {
        // Returns once the audio thread has left Render for good.
        Mix_HookMusic(nullptr, nullptr);
    }
    const std::lock_guard lock(impl_->mutex);
    if (impl_->player != nullptr) {
        delete_fluid_player(impl_->player);
        impl_->player = nullptr;
    }
    if (impl_->synth != nullptr) {
        delete_fluid_synth(impl_->synth);
        impl_->synth = nullptr;
    }
    if (impl_->settings != nullptr) {
        delete_fluid_settings(impl_->settings);
        impl_->settings = nullptr;
    }
}

std::optional<std::string> FluidMusicSequencer::DeviceError() const {
    return impl_->deviceError;
}

bool FluidMusicSequencer::WaitUntilReady(std::chrono::milliseconds limit) {
    return impl_->WaitUntilReady(limit);
}

std::string FluidMusicSequencer::SoundFontInUse() {
    const std::lock_guard lock(impl_->loadMutex);
    return impl_->soundFontInUse;
}

bool FluidMusicSequencer::Quiet() {
    Impl& impl = *impl_;
    if (impl.PieceLoading() || impl.playWhenReady) {
        return false;
    }
    {
        const std::lock_guard lock(impl.loadMutex);
        if (impl.loadState == LoadState::Loading) {
            return false;
        }
    }
    const std::lock_guard lock(impl.mutex);
    return impl.player == nullptr && impl.quietFrames >= impl.tailFrames;
}

void FluidMusicSequencer::SetNotifyHandler(NotifyHandler handler) {
    impl_->handler = std::move(handler);
}

std::optional<std::string> FluidMusicSequencer::Open(const std::string& path) {
    Close();
    std::vector<std::uint8_t> bytes;
    if (const std::optional<FileReadError> error = ReadWholeFile(path, bytes)) {
        return "The music file \"" + FileNameOf(path) +
               "\" cannot be opened: " + std::string(FileReadErrorText(*error)) + ".";
    }
    // The player reads the file only once it plays, on the audio thread, so
    // a damaged file is refused here, where the error can still be shown.
    if (!midi::PlayerCanOpen(bytes)) {
        return "The file \"" + FileNameOf(path) + "\" is not a MIDI file the sequencer can play.";
    }
    impl_->piece = std::move(bytes);
    impl_->pieceInstruments = ScanPieceInstruments(impl_->piece);
    impl_->pieceInstrumentsLoaded = false;
    impl_->pieceLoadError.reset();
    impl_->pieceOpen = true;
    // The instruments start loading now if the synthesiser is ready, or else
    // once it is.
    if (impl_->WaitUntilReady(std::chrono::milliseconds(0))) {
        impl_->StartPieceLoad();
    }
    return std::nullopt;
}

std::optional<std::string> FluidMusicSequencer::Play() {
    Impl& impl = *impl_;
    if (!impl.pieceOpen) {
        return "No music file is open.";
    }
    if (!impl.WaitUntilReady(std::chrono::milliseconds(0))) {
        const std::lock_guard lock(impl.loadMutex);
        if (impl.loadState == LoadState::Loading) {
            impl.playWhenReady = true;
            return std::nullopt;
        }
        return impl.loadError;
    }
    if (impl.pieceLoadError) {
        return impl.pieceLoadError;
    }
    if (!impl.pieceInstrumentsLoaded) {
        if (!impl.PieceLoading()) {
            impl.StartPieceLoad(); // opened before the synthesiser was ready
        }
        if (impl.PieceLoading()) {
            impl.playWhenReady = true; // started by PieceLoaded
            return std::nullopt;
        }
    }
    return impl.StartPlayer();
}

void FluidMusicSequencer::Impl::StartDeferredPlay() {
    const bool ready = WaitUntilReady(std::chrono::milliseconds(0));
    if (ready && pieceOpen && !pieceInstrumentsLoaded && !PieceLoading() && !pieceLoadError) {
        StartPieceLoad(); // a piece opened while the synthesiser loaded
    }
    if (!playWhenReady || PieceLoading()) {
        return; // nothing asked for, or PieceLoaded starts it
    }
    StartAskedPlay(!ready ? std::optional<std::string>(loadError) : pieceLoadError);
}

// The piece's instruments are there.
std::optional<std::string> FluidMusicSequencer::Impl::StartPlayer() {
    if (!device.Wake()) {
        return "No sound output could be opened for the music.";
    }
    const std::lock_guard lock(mutex);
    DropPlayer(MusicNotify::Superseded);
    fluid_player_t* made = new_fluid_player(synth);
    if (made == nullptr || fluid_player_add_mem(made, piece.data(), piece.size()) != FLUID_OK ||
        fluid_player_set_tick_callback(made, &Impl::OnTick, this) != FLUID_OK ||
        fluid_player_play(made) != FLUID_OK) {
        if (made != nullptr) {
            delete_fluid_player(made);
        }
        return "The music synthesiser could not play the piece.";
    }
    player = made;
    totalTicks = 0;
    playId = ++lastPlayId;
    playState = PlayState::Playing;
    quietFrames = 0;
    return std::nullopt;
}

void FluidMusicSequencer::Close() {
    Impl& impl = *impl_;
    impl.JoinPieceLoader();
    {
        const std::lock_guard lock(impl.mutex);
        impl.DropPlayer(MusicNotify::Aborted);
    }
    impl.piece.clear();
    impl.pieceOpen = false;
    impl.playWhenReady = false;
}

} // namespace morrow
