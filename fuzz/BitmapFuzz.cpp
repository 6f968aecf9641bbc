// SPDX-License-Identifier: GPL-3.0-or-later
// A picture in the place of the play field's: any bytes as MorInt.bmp. The
// game loads what it can and places the field; a picture that cannot be
// read counts as missing, and none costs more memory than its pixels could
// fill from the file (a header claiming 60000 x 60000 among them).
#include "FuzzSupport.h"
#include "GameSession.h"
#include "PlayFieldBitmaps.h"

#include <QImage>

using namespace morrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string programDir = fuzz::ScratchDir().string() + "/";
    fuzz::WriteFile(programDir + "MorInt.bmp", {data, size});
    GameSession session;
    session.ProgramDir = programDir;
    session.ScreenWidth = 640; // the small layout: the field, the symbols and the reel strip only
    PlayFieldBitmaps bitmaps = CreateBitmaps(session.ScreenWidth);
    fuzz::Require(!LoadBitmaps(bitmaps, session, 32), "missing pictures were reported as loaded");
    const QImage& field = bitmaps.InterfaceBitmap;
    if (!field.isNull()) {
        fuzz::Require(field.format() == QImage::Format_RGB32, "a picture not in the canvas's format");
        fuzz::Require(field.width() > 0 && field.height() > 0, "a picture without pixels");
    }
    return 0;
}
