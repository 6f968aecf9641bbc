#include "PlayFieldBitmaps.h"

#include "ArtResources.h"
#include "BmpHeader.h"
#include "FieldLayout.h"
#include "GameSession.h"

#include <QFile>
#include <QFileInfo>

#include <future>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace morrow {

namespace {

// Screens with fewer bits per pixel get the 256-colour pictures.
constexpr int kHighColourBits = 16;

// Reads one file in the canvas's own pixel format, so every copy from it is
// a plain one. Nothing when the file is missing or not a readable bitmap.
std::optional<QImage> ReadPicture(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // A file shorter than its header claims counts as missing.
    const QByteArray bytes = file.readAll();
    QImage loaded;
    const std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                             static_cast<std::size_t>(bytes.size()));
    if (!BmpPixelsFitFile(view) || !loaded.loadFromData(bytes, "BMP")) {
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
    // The pictures are decoded side by side, each on a thread of its own:
    // they are read before the window first shows.
    std::vector<std::pair<QImage*, std::future<std::optional<QImage>>>> loads;
    auto load = [&](QImage& bitmap, const char* fileName) {
        const QString path = QString::fromStdString(session.ProgramDir) + QString::fromLatin1(fileName);
        loads.emplace_back(&bitmap, std::async(std::launch::async, ReadPicture, path));
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
    // A missing or unreadable file leaves its picture as it was.
    bool result = true;
    for (auto& [bitmap, loading] : loads) {
        if (std::optional<QImage> picture = loading.get()) {
            *bitmap = std::move(*picture);
        } else {
            result = false;
        }
    }
    const FieldOrigin origin = FieldOriginFor(session.ScreenWidth, bitmaps.FieldWidth());
    session.FieldLeft = origin.left;
    session.FieldTop = origin.top;
    return result;
}

} // namespace morrow
