// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures whose header promises more pixels than the file holds count as
// missing, instead of becoming pictures of the claimed size filled with
// whatever the memory held.
#include "BmpHeader.h"
#include "ByteReader.h"
#include "PresentationTestSupport.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace morrow::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(BmpHeader, AFileMustHoldThePlainPixelsItsHeaderPromises) {
    const Bytes field = ReadBytes(ProgramDir() + "MorInt.bmp");
    const Bytes symbols = ReadBytes(ProgramDir() + "Morro96.bmp");
    ASSERT_GT(field.size(), 54U);
    const Bytes cutByOneByte(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(field.size() - 1));
    const Bytes cutInHeaders(field.begin(), field.begin() + 30);
    Bytes claimsMore = field;
    SetLittle(claimsMore, 22, 60000, 4); // 60000 rows
    Bytes topDown = field;
    SetLittle(topDown, 22, static_cast<std::uint32_t>(-static_cast<std::int32_t>(field[22] | field[23] << 8)),
              4);
    Bytes runLength = field;
    SetLittle(runLength, 30, 1, 4); // pixels of run lengths: their size is not promised
    const struct {
        const char* what;
        Bytes bytes;
        bool fits;
    } cases[] = {
        {"the play field as built", field, true},
        {"the symbols as built", symbols, true},
        {"top-down rows", topDown, true},
        {"run-length pixels", runLength, true},
        {"not a BMP file", Bytes{'G', 'I', 'F', '8'}, true},
        {"one byte short", cutByOneByte, false},
        {"claiming 60000 rows", claimsMore, false},
        {"cut in its headers", cutInHeaders, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BmpPixelsFitFile(c.bytes), c.fits) << c.what;
    }

    // In the game: such a play field is missing, and loading says so.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "morrow-bmp-header-test";
    std::filesystem::create_directories(dir);
    for (const char* name : {"MorInt.bmp", "Motion.bmp", "Morro96.bmp"}) {
        std::filesystem::copy_file(ProgramDir() + name, dir / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    std::ofstream(dir / "MorInt.bmp", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(cutByOneByte.data()),
               static_cast<std::streamsize>(cutByOneByte.size()));
    GameSession session;
    session.ProgramDir = dir.string() + "/";
    session.ScreenWidth = 640;
    PlayFieldBitmaps bitmaps = CreateBitmaps(session.ScreenWidth);
    EXPECT_FALSE(LoadBitmaps(bitmaps, session, 32));
    EXPECT_TRUE(bitmaps.InterfaceBitmap.isNull());
    EXPECT_FALSE(bitmaps.SymbolBitmap.isNull());
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace morrow::test
