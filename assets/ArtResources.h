// SPDX-License-Identifier: GPL-3.0-or-later
// Where the game finds its pictures.
//
// Embedded pictures are compiled into the program by the Morrow::Art
// library (resource prefix "/art"); linking Morrow::Art is all it takes,
// the resources register themselves at start. Call morrow::art::Available()
// to check that they did. The other pictures are files in the program
// directory, written there by the build.
#pragma once

#include <QFile>

namespace morrow::art {

// Embedded: 16-colour digit strips (188 x 21 small, 376 x 42 large).
inline constexpr const char* kDigitsSmall = ":/art/DigitsSmall.bmp";
inline constexpr const char* kDigitsLarge = ":/art/DigitsLarge.bmp";
inline constexpr const char* kGreenSmall = ":/art/GreenSmall.bmp";
inline constexpr const char* kGreenLarge = ":/art/GreenLarge.bmp";
// Embedded: the bonus window's pictures, 640 x 430, 256 colours.
inline constexpr const char* kTrickPick = ":/art/TrickPick.bmp";
inline constexpr const char* kTrickTricked = ":/art/TrickTricked.bmp";
inline constexpr const char* kTrickTreat = ":/art/TrickTreat.bmp";
// Embedded: the same at 1280 x 860 for high-resolution screens, true colour.
inline constexpr const char* kTrickPick2x = ":/art/TrickPick@2x.png";
inline constexpr const char* kTrickTricked2x = ":/art/TrickTricked@2x.png";
inline constexpr const char* kTrickTreat2x = ":/art/TrickTreat@2x.png";
// Embedded: the borrow dialog's chips (66 x 42, transparent PNG), also
// written to the program directory under the same file names.
inline constexpr const char* kChip1000 = ":/art/Chip1000.png";
inline constexpr const char* kChip100 = ":/art/Chip100.png";
inline constexpr const char* kChip10 = ":/art/Chip10.png";
inline constexpr const char* kChip1 = ":/art/Chip1.png";
// Embedded: the window icon, 256 x 256 PNG.
inline constexpr const char* kIcon = ":/art/icon.png";

// Every picture of the program directory and the digit strips and chips
// also stands at twice the size beside the 1x one, as "Name@2x.ext".

// Files in the program directory.
inline constexpr const char* kPlayFieldFile = "MorInt.bmp";
inline constexpr const char* kPlayField256File = "MorIn256.bmp";
inline constexpr const char* kMotionFile = "Motion.bmp";
inline constexpr const char* kMotion256File = "Motion2.bmp";
inline constexpr const char* kSymbolsFile = "Morro96.bmp";
inline constexpr const char* kBloodFile = "Blood.bmp";
inline constexpr const char* kBatFile = "Bat.bmp";
inline constexpr const char* kGhoulFile = "Ghoul.bmp";
inline constexpr const char* kSkeletonFile = "Skelt.bmp";
inline constexpr const char* kPayChartFile = "Paychart.bmp";
// Icon theme files: icons/hicolor/<N>x<N>/apps/morrowmas-slots.png for
// N = 16, 32, 48, 64, 128, 256.
inline constexpr const char* kIconThemeDir = "icons";

// True when the embedded pictures are registered in this program.
inline bool Available() {
    return QFile::exists(QString::fromLatin1(kIcon));
}

} // namespace morrow::art
