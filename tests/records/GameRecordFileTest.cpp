#include "GameRecordFile.h"
#include "GameDate.h"
#include "RecordTestSupport.h"
#include "RecordValue.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>
#include <optional>
#include <string>

namespace morrow {
namespace {

using test::GameWithCounters;
using test::HalloweenFile;
using test::ReadText;
using test::SavedFields;
using test::TempDir;
using test::WriteText;

GameSession ReadSlot(const GameRecordFile& file, int slot) {
    GameSession game;
    file.ReadGameRecord(game, slot);
    return game;
}

// Every saved field comes back as written, in every slot, for ordinary and extreme values.
TEST(GameRecordFile, RoundTripsEveryFieldInEverySlot) {
    TempDir dir(test::TempPlace::Memory);
    const GameRecordFile file = HalloweenFile(dir / "Morrow.ini");
    const std::int32_t values[][7] = {
        {1250, 2000, 412, 1187, 2, 9, 150},
        {-50, -1000, 0, 0, 0, 0, 0},
        {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, 1, INT32_MAX},
    };
    for (const auto& row : values) {
        for (int slot = 0; slot <= kCurrentGameSlot; ++slot) {
            GameSession game;
            game.Credits = row[0];
            game.Borrowed = row[1];
            game.Spins = row[2];
            game.TotalBets = row[3];
            game.Nudges = row[4];
            game.NudgesUsed = row[5];
            game.TricksWon = row[6];
            game.GameName = "ignored: the name comes from the call";
            const std::string name = "Game " + std::to_string(slot);
            ASSERT_FALSE(file.WriteGameRecord(game, slot, name)) << "write of slot " << slot;

            GameSession expected = game;
            expected.GameName = name;
            expected.GameDate = "10/31/98";
            EXPECT_EQ(SavedFields(ReadSlot(file, slot)), SavedFields(expected)) << "slot " << slot;
        }
    }
}

// Names: kept whole in the file, read as their first 30 characters without
// splitting a UTF-8 sequence; blanks and quotes at the ends survive; line
// breaks and other control characters never reach the file.
TEST(GameRecordFile, NamesAreStoredWholeAndReadCut) {
    TempDir dir(test::TempPlace::Memory);
    const auto path = dir / "Morrow.ini";
    const GameRecordFile file = HalloweenFile(path);
    const std::string forty = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
    const struct {
        std::string written;
        std::string read;
    } cases[] = {
        {forty, forty.substr(0, 30)},
        {std::string(29, 'a') + "\xC3\xA9\xC3\xA9", std::string(29, 'a') + "\xC3\xA9"},
        {std::string(28, 'b') + "\xF0\x9F\x8E\x83z", std::string(28, 'b') + "\xF0\x9F\x8E\x83z"},
        {"  spaced out  ", "  spaced out  "},
        {"\"quoted\"", "\"quoted\""},
        {"'single'", "'single'"},
        {"", ""},
        {"Lucky\nrun\r\n[GameNo1]\tCredits=9", "Lucky run  [GameNo1] Credits=9"},
    };
    ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(7), 0, "first slot"));
    const std::string firstSlot = SavedFields(ReadSlot(file, 0));
    for (const auto& c : cases) {
        ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(1), 3, c.written));
        EXPECT_EQ(ReadSlot(file, 3).GameName, c.read) << "name written as [" << c.written << "]";
        EXPECT_EQ(SavedFields(ReadSlot(file, 0)), firstSlot)
            << "slot 1 changed by writing [" << c.written << "]";
    }
    ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(1), 3, forty));
    EXPECT_NE(ReadText(path).find("GameName=" + forty + "\n"), std::string::npos)
        << "the 40 characters are not all in the file";
}

// A missing file, section or key gives the defaults; slot 8 is "CurrentGame".
TEST(GameRecordFile, MissingRecordsGiveTheDefaults) {
    TempDir dir;
    const auto path = dir / "Morrow.ini";
    const GameRecordFile file = HalloweenFile(path);
    GameSession fresh;
    fresh.Nudges = 3;
    file.ReadGameRecord(fresh, kCurrentGameSlot);
    EXPECT_EQ(SavedFields(fresh),
              "name=[CurrentGame] date=[10/31/98] credits=1000 borrowed=1000 spins=0 bets=0 "
              "nudges=0 used=0 tricks=0");
    EXPECT_FALSE(std::filesystem::exists(path)) << "reading created the file";

    WriteText(path, "[GameNo5]\nSpins=4\n");
    EXPECT_EQ(SavedFields(ReadSlot(file, 4)),
              "name=[GameNo5] date=[10/31/98] credits=1000 borrowed=1000 spins=4 "
              "bets=0 nudges=0 used=0 tricks=0");
    EXPECT_EQ(ReadSlot(file, 2).GameName, "GameNo3");
}

// The game's integer rules, one text at a time.
TEST(RecordValue, IntegerRules) {
    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"abc", std::nullopt},
        {"0x10", 16},
        {"$FF", 255},
        {"-50", -50},
        {"", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"0X1f", 31},
        {"+7", 7},
        {"-", std::nullopt},
        {"00012", 12},
        {"12abc", std::nullopt},
        {"2147483647", INT32_MAX},
        {"2147483648", std::nullopt},
        {"-2147483648", INT32_MIN},
        {"-2147483649", std::nullopt},
        {"0x7FFFFFFF", INT32_MAX},
        {"0x80000000", std::nullopt},
        {"$FFFFFFFF", std::nullopt},
        {"$00000000000FF", 255},
        {"-0x10", std::nullopt},
        {"-$10", std::nullopt},
        {"1e3", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"5 ", std::nullopt},
        {"0x1G", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseRecordInteger(c.text), c.value) << "text [" << c.text << "]";
    }
}

// A file edited by hand or by other tools reads the way the classic profile
// functions read it.
TEST(GameRecordFile, ReadsHandEditedFilesTheClassicWay) {
    TempDir dir;
    const auto path = dir / "Morrow.ini";
    WriteText(path, "\xEF\xBB\xBF; saved by hand\r\n"
                    "[Window]\r\n"
                    "Credits=1\r\n"
                    "  [ gameno3 ]  \r\n"
                    ";Credits=2\r\n"
                    "  CREDITS  =  abc  \r\n"
                    "credits=3\r\n"
                    "Borrowed = 0x10\r\n"
                    "Spins=\r\n"
                    "TotalBets=$FF\r\n"
                    "Nudges=-50\r\n"
                    "GameName =  \" Lucky run \"  \r\n"
                    "GameDate=2024-10-31 and more\r\n"
                    "no equals sign here\r\n"
                    "[GameNo3]\r\n"
                    "NudgesUsed=77\r\n"
                    "[CurrentGame]\r\n"
                    "TricksWon=12");
    const GameRecordFile file = HalloweenFile(path);
    EXPECT_EQ(SavedFields(ReadSlot(file, 2)),
              "name=[ Lucky run ] date=[2024-10-31] credits=1000 borrowed=16 spins=0 "
              "bets=255 nudges=-50 used=0 tricks=0");
    EXPECT_EQ(ReadSlot(file, kCurrentGameSlot).TricksWon, 12) << "last line without a line break";
}

// A write keeps the layout: keys replaced in place with their spelling, new
// keys after the section's last entry, new sections at the end, the file's
// own line ends, and every other line byte for byte.
TEST(GameRecordFile, WritesKeepTheLayout) {
    TempDir dir;
    const auto path = dir / "Morrow.ini";
    WriteText(path, "; my notes\r\n"
                    "[Window]\r\n"
                    "Left = 10\r\n"
                    "[gameno2]\r\n"
                    "credits = 5\r\n"
                    "Extra=keep me\r\n"
                    "\r\n"
                    "; the other one\r\n"
                    "[Other]\r\n"
                    "x=1");
    const GameRecordFile file = HalloweenFile(path, ".");
    GameSession game = GameWithCounters(0);
    game.Credits = 1250;
    game.Borrowed = -2000;
    ASSERT_FALSE(file.WriteGameRecord(game, 1, "Lucky run"));
    ASSERT_FALSE(file.WriteGameRecord(game, kCurrentGameSlot, kCurrentGameName));
    EXPECT_EQ(ReadText(path), "; my notes\r\n"
                              "[Window]\r\n"
                              "Left = 10\r\n"
                              "[gameno2]\r\n"
                              "credits = 1250\r\n"
                              "Extra=keep me\r\n"
                              "GameName=Lucky run\r\n"
                              "GameDate=10.31.98\r\n"
                              "Borrowed=-2000\r\n"
                              "Spins=0\r\n"
                              "TotalBets=0\r\n"
                              "Nudges=0\r\n"
                              "NudgesUsed=0\r\n"
                              "TricksWon=0\r\n"
                              "\r\n"
                              "; the other one\r\n"
                              "[Other]\r\n"
                              "x=1\r\n"
                              "[CurrentGame]\r\n"
                              "GameName=CurrentGame\r\n"
                              "GameDate=10.31.98\r\n"
                              "Credits=1250\r\n"
                              "Borrowed=-2000\r\n"
                              "Spins=0\r\n"
                              "TotalBets=0\r\n"
                              "Nudges=0\r\n"
                              "NudgesUsed=0\r\n"
                              "TricksWon=0\r\n");
}

// The first write creates the missing directories, private to the user.
TEST(GameRecordFile, FirstWriteCreatesTheDirectory) {
    TempDir dir;
    const auto path = dir.Path() / "config" / "morrowmas-slots" / "Morrow.ini";
    ASSERT_FALSE(HalloweenFile(path).WriteGameRecord(GameWithCounters(5), 0, "x"));
    struct stat status {};
    ASSERT_EQ(::stat(path.parent_path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700U) << "the new directory is open to others";
    EXPECT_EQ(ReadSlot(HalloweenFile(path), 0).Credits, 5);
}

// Where the file lives, and the date as it is written.
TEST(GameRecordFile, PathAndDate) {
    EXPECT_EQ(GameRecordPathFor("/x/cfg", "/home/u"), "/x/cfg/morrowmas-slots/Morrow.ini");
    EXPECT_EQ(GameRecordPathFor("", "/home/u"), "/home/u/.config/morrowmas-slots/Morrow.ini");
    EXPECT_EQ(GameRecordPathFor("relative/cfg", "/home/u"), "/home/u/.config/morrowmas-slots/Morrow.ini")
        << "a relative XDG_CONFIG_HOME must be ignored";

    EXPECT_EQ(FormatGameDate({1998, 10, 31}, "/"), "10/31/98");
    EXPECT_EQ(FormatGameDate({2005, 1, 2}, "-"), "01-02-05");
    const struct {
        const char* format;
        const char* separator;
    } formats[] = {{"%m/%d/%y", "/"}, {"%d.%m.%Y", "."},   {"%Y-%m-%d", "-"},         {"%F", "-"},
                   {"%D", "/"},       {"%-d.%-m.%Y", "."}, {"%Y\xE5\xB9\xB4%m", "/"}, {"%e %b %Y", "/"},
                   {"", "/"},         {"%", "/"}};
    for (const auto& f : formats) {
        EXPECT_EQ(DateSeparatorOf(f.format), f.separator) << "format [" << f.format << "]";
    }
}

} // namespace
} // namespace morrow
