// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlayFieldBitmaps.h"

#include "ArtResources.h"
#include "CanvasScale.h"
#include "FieldLayout.h"
#include "GameSession.h"
#include "PictureFile.h"

#include <QFile>

#include <cstdint>
#include <optional>
#include <utility>

namespace morrow {

namespace {

// Screens with fewer bits per pixel get the 256-colour pictures.
constexpr int kHighColourBits = 16;

// Reads one file in the canvas's own pixel format, so every copy from it is
// a plain one. Nothing when the file is missing or not a whole bitmap (a
// file shorter than its header claims counts as missing).
std::optional<QImage> ReadPicture(const QString& path) {
    const QImage loaded = ReadPictureFile(path, "BMP");
    if (loaded.isNull()) {
        return std::nullopt;
    }
    return loaded.convertToFormat(QImage::Format_RGB32);
}

} // namespace

PlayFieldBitmaps CreateBitmaps(std::int32_t screenWidth) {
    PlayFieldBitmaps bitmaps;
    bitmaps.AnimationBitmapsCreated = HasAnimations(DisplayModeFor(screenWidth));
    return bitmaps;
}

bool LoadBitmaps(PlayFieldBitmaps& bitmaps, GameSession& session, int screenColourBits) {
    // A missing or unreadable file leaves its picture as it was.
    bool result = true;
    auto load = [&](QImage& bitmap, const char* fileName) {
        const QString path = QString::fromStdString(session.ProgramDir) + QString::fromLatin1(fileName);
        if (std::optional<QImage> picture = ReadPicture(path)) {
            bitmap = std::move(*picture);
        } else {
            result = false;
        }
    };
    if (screenColourBits < kHighColourBits) {
        load(bitmaps.InterfaceBitmap, art::kPlayField256File);
        load(bitmaps.MotionBitmap, art::kMotion256File);
    } else {
        load(bitmaps.InterfaceBitmap, art::kPlayFieldFile);
        load(bitmaps.MotionBitmap, art::kMotionFile);
    }
    load(bitmaps.SymbolBitmap, art::kSymbolsFile);

    // The layout decides whether the animation pictures exist at all; they
    // are loaded only into pictures that were created.
    if (bitmaps.AnimationBitmapsCreated) {
        load(bitmaps.BloodBitmap, art::kBloodFile);
        load(bitmaps.BatBitmap, art::kBatFile);
        load(bitmaps.GhoulBitmap, art::kGhoulFile);
        load(bitmaps.SkeletonBitmap, art::kSkeletonFile);
    }
    const FieldOrigin origin = FieldOriginFor(session.ScreenWidth, bitmaps.FieldWidth());
    session.FieldLeft = origin.left;
    session.FieldTop = origin.top;
    return result;
}

void LoadSharpBitmaps(PlayFieldBitmaps& bitmaps, const GameSession& session, int screenColourBits,
                      qreal ratio) {
    bitmaps.SharpRatio = ratio;
    auto sharpen = [&](QImage PictureSet::*picture, const char* fileName) {
        const QString path = QString::fromStdString(session.ProgramDir) + QString::fromLatin1(fileName);
        bitmaps.Sharp.*picture = PictureAtRatio(bitmaps.*picture, path, ratio);
    };
    const bool highColour = screenColourBits >= kHighColourBits;
    sharpen(&PictureSet::InterfaceBitmap, highColour ? art::kPlayFieldFile : art::kPlayField256File);
    sharpen(&PictureSet::MotionBitmap, highColour ? art::kMotionFile : art::kMotion256File);
    sharpen(&PictureSet::SymbolBitmap, art::kSymbolsFile);
    sharpen(&PictureSet::BloodBitmap, art::kBloodFile);
    sharpen(&PictureSet::BatBitmap, art::kBatFile);
    sharpen(&PictureSet::GhoulBitmap, art::kGhoulFile);
    sharpen(&PictureSet::SkeletonBitmap, art::kSkeletonFile);
}

} // namespace morrow
