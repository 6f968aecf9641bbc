#include "PlayFieldBitmaps.h"

#include "ArtResources.h"
#include "FieldLayout.h"
#include "GameSession.h"

#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <future>
#include <optional>
#include <utility>
#include <vector>

namespace morrow {

namespace {

// Screens with fewer bits per pixel get the 256-colour pictures.
constexpr int kHighColourBits = 16;

std::uint32_t Little32(const QByteArray& bytes, int at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    }
    return value;
}

// Whether a BMP file holds the rows of pixels its header promises. The
// decoder fills what is missing with black and calls it a success, so a
// file cut short or with a lying header would show as a half-black picture.
// Compressed pixel data (run lengths) has no size to check here.
bool HoldsItsPixels(const QString& path, qint64 fileSize) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray header = file.read(34);
    if (header.size() < 34 || !header.startsWith("BM")) {
        return false;
    }
    const std::uint32_t infoSize = Little32(header, 14);
    if (infoSize < 40) {
        return true; // the old OS/2 header: left to the decoder
    }
    const std::uint64_t offset = Little32(header, 10);
    const auto width = static_cast<std::int32_t>(Little32(header, 18));
    const auto height = static_cast<std::int32_t>(Little32(header, 22));
    const std::uint32_t bits = static_cast<std::uint8_t>(header[28]) | static_cast<std::uint8_t>(header[29])
                                                                           << 8;
    const std::uint32_t compression = Little32(header, 30);
    constexpr std::uint32_t kPlainRows = 0;
    constexpr std::uint32_t kBitFields = 3;
    if (compression != kPlainRows && compression != kBitFields) {
        return true;
    }
    if (width <= 0 || height == 0 || height == INT32_MIN || bits == 0 || bits > 32) {
        return false;
    }
    const std::uint64_t rowBytes = (std::uint64_t{static_cast<std::uint32_t>(width)} * bits + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -std::int64_t{height} : height);
    return offset + rowBytes * rows <= static_cast<std::uint64_t>(fileSize);
}

// Reads one file in the canvas's own pixel format, so every copy from it is
// a plain one. Nothing when the file is missing or not a whole bitmap.
std::optional<QImage> ReadPicture(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || !HoldsItsPixels(path, info.size())) {
        return std::nullopt;
    }
    QImage loaded;
    if (!loaded.load(path, "BMP")) {
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
