// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing speed of the play field on an 800 x 600 canvas with the game's own
// pictures: one frame of a spin (three spinning reels, each drawing the
// payline over itself) and, for scale, a full repaint; each at 1 and at 2
// pixels per unit (the argument), the latter from the 2x pictures.
#include "CanvasScale.h"
#include "PlayFieldPainter.h"
#include "Reels.h"

#include <QByteArray>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <string>

namespace {

using namespace morrow;

// The main window's drawing state at 800 x 600 units, pictures from the
// program directory the build writes (MORROW_PROGRAM_DIR overrides it).
struct Field {
    GameSession session;
    PlayFieldBitmaps bitmaps = CreateBitmaps(800);
    DigitStrips strips = DigitStrips::LoadEmbedded();
    QImage canvas;
    PlayFieldPainter painter{canvas, session, bitmaps, strips, CaptionStyle{96}};
    bool loaded = false;

    explicit Field(int scale) : canvas(NewScaledImage({800, 600}, scale)) {
        const QByteArray dir = qgetenv("MORROW_PROGRAM_DIR");
        session.ProgramDir = (dir.isEmpty() ? std::string(MORROW_PROGRAM_DIR) : dir.toStdString()) + "/";
        session.ScreenWidth = 800;
        session.ScreenHeight = 600;
        loaded = LoadBitmaps(bitmaps, session, 32);
        if (scale > 1) {
            LoadSharpBitmaps(bitmaps, session, 32);
            strips.LoadSharp();
        }
        SetupReels(session);
        painter.FormPaint();
    }
};

// One 25 ms frame of a spin: every reel's strip moves on by 61 rows, the
// three reels a little apart as they are after their staggered starts.
void BM_SpinFrame(benchmark::State& state) {
    Field field(static_cast<int>(state.range(0)));
    if (!field.loaded) {
        state.SkipWithError("pictures missing from the program directory");
        return;
    }
    std::array<int, kReelCount> offsets{0, 192, 384};
    for (auto _ : state) {
        for (int reel = 0; reel < kReelCount; ++reel) {
            int& offset = offsets[static_cast<std::size_t>(reel)];
            offset -= 61;
            if (offset < 0) {
                offset += kMotionStripLength;
            }
            field.painter.DrawReelMotion(reel, offset);
        }
        benchmark::DoNotOptimize(field.canvas.constBits());
    }
}
BENCHMARK(BM_SpinFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_FullRepaint(benchmark::State& state) {
    Field field(static_cast<int>(state.range(0)));
    if (!field.loaded) {
        state.SkipWithError("pictures missing from the program directory");
        return;
    }
    for (auto _ : state) {
        field.painter.FormPaint();
        benchmark::DoNotOptimize(field.canvas.constBits());
    }
}
BENCHMARK(BM_FullRepaint)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// Loading the play field's pictures as start-up does (800 x 600, so the
// sprites and blood too).
void BM_LoadBitmaps(benchmark::State& state) {
    GameSession session;
    const QByteArray dir = qgetenv("MORROW_PROGRAM_DIR");
    session.ProgramDir = (dir.isEmpty() ? std::string(MORROW_PROGRAM_DIR) : dir.toStdString()) + "/";
    session.ScreenWidth = 800;
    session.ScreenHeight = 600;
    for (auto _ : state) {
        PlayFieldBitmaps bitmaps = CreateBitmaps(800);
        if (!LoadBitmaps(bitmaps, session, 32)) {
            state.SkipWithError("pictures missing from the program directory");
            return;
        }
        benchmark::DoNotOptimize(bitmaps.InterfaceBitmap.constBits());
    }
}
BENCHMARK(BM_LoadBitmaps)->Unit(benchmark::kMillisecond);

} // namespace

// Painting text needs a QGuiApplication; offscreen unless told otherwise.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return EXIT_FAILURE;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return EXIT_SUCCESS;
}
