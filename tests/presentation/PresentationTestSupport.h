// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the presentation tests: one screen's worth of the main window's
// drawing state with the game's real pictures, and pixel comparison.
#pragma once

#include "CanvasScale.h"
#include "PlayFieldPainter.h"
#include "Reels.h"

#include <QImage>
#include <QRect>

#include <gtest/gtest.h>

#include <string>

namespace morrow::test {

// The canvas starts in a colour none of our pictures uses, so what a
// drawing leaves alone can be told from what it paints.
inline constexpr QRgb kUntouched = 0xFF010203;

// Where the build writes the pictures: the suite's environment names it.
inline std::string ProgramDir() {
    const QByteArray dir = qgetenv("MORROW_PROGRAM_DIR");
    return (dir.isEmpty() ? std::string(MORROW_PROGRAM_DIR) : dir.toStdString()) + "/";
}

// The main window's drawing state for a screen of this size, loaded as at
// start-up, with a canvas as large as the screen at `scale` pixels per unit
// (and then the 2x pictures loaded too).
struct Screen {
    GameSession session;
    PlayFieldBitmaps bitmaps;
    DigitStrips strips = DigitStrips::LoadEmbedded();
    QImage canvas;
    bool loaded = false;
    PlayFieldPainter painter{canvas, session, bitmaps, strips, CaptionStyle{96}};

    Screen(int width, int height, int scale = 1)
        : bitmaps(CreateBitmaps(width)), canvas(NewScaledImage({width, height}, scale)) {
        session.ProgramDir = ProgramDir();
        session.ScreenWidth = width;
        session.ScreenHeight = height;
        loaded = LoadBitmaps(bitmaps, session, 32) && !strips.DigitsSmall.isNull();
        if (scale > 1) {
            LoadSharpBitmaps(bitmaps, session, 32);
            strips.LoadSharp();
        }
        SetupReels(session);
        canvas.fill(kUntouched);
    }
    // A play-field offset in window coordinates.
    QPoint Field(int x, int y) const { return {session.FieldLeft + x, session.FieldTop + y}; }
};

// Whether the canvas shows `expected` with its top-left corner at `at`.
inline ::testing::AssertionResult Shows(const QImage& canvas, QPoint at, const QImage& expected) {
    const QImage want = expected.convertToFormat(QImage::Format_RGB32);
    if (want.isNull() || !canvas.rect().contains(QRect(at, want.size()))) {
        return ::testing::AssertionFailure() << "nothing to compare, or it lies off the canvas";
    }
    for (int y = 0; y < want.height(); ++y) {
        for (int x = 0; x < want.width(); ++x) {
            if (const QRgb got = canvas.pixel(at + QPoint(x, y)); got != want.pixel(x, y)) {
                return ::testing::AssertionFailure()
                       << QString::asprintf("pixel (%d, %d) is #%06x where the picture has #%06x at (%d, %d)",
                                            at.x() + x, at.y() + y, got & 0xFFFFFF,
                                            want.pixel(x, y) & 0xFFFFFF, x, y)
                              .toStdString();
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Whether every pixel of `rect` on the canvas is `colour`.
inline ::testing::AssertionResult Filled(const QImage& canvas, const QRect& rect, QRgb colour) {
    QImage plain(rect.size(), QImage::Format_RGB32);
    plain.fill(colour);
    return Shows(canvas, rect.topLeft(), plain);
}

} // namespace morrow::test
