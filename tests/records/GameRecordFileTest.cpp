// SPDX-License-Identifier: GPL-3.0-or-later
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

using namespace morrow::test;

// Every field comes back as written in every slot, extremes and negatives
// included; the first write makes the missing folders, private to the user.
TEST(GameRecordFile, RoundTripsEveryFieldInEverySlot) {
    TempDir dir(TempPlace::Memory);
    const auto path = dir / "config/morrowmas-slots/Morrow.ini";
    const GameRecordFile file = HalloweenFile(path);
    const std::int32_t rows[][7] = {{1250, 2000, 412, 1187, 2, 9, 150},
                                    {-50, -1000, 0, 0, 0, 0, 0},
                                    {INT32_MAX, INT32_MIN, INT32_MAX, 1, INT32_MIN, 0, INT32_MAX}};
    for (const auto& row : rows) {
        for (int slot = 0; slot <= kCurrentGameSlot; ++slot) {
            SavedGame game;
            for (std::size_t k = 0; k < kSavedCounters.size(); ++k) {
                game.*kSavedCounters[k].field = row[k];
            }
            game.GameName = "in memory only";
            ASSERT_FALSE(file.WriteGameRecord(game, slot, "Game " + std::to_string(slot)));
            game.GameName = "Game " + std::to_string(slot);
            game.GameDate = "10/31/98";
            EXPECT_EQ(ReadSlot(file, slot), SavedFields(game)) << "slot " << slot;
        }
    }
    struct stat status {};
    ASSERT_EQ(::stat(path.parent_path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700U) << "the new folder is open to others";
}

// Names are stored whole and read as their first 30 characters, never
// splitting a UTF-8 sequence; blanks and quotes at the ends survive; control
// characters never break the file's lines.
TEST(GameRecordFile, NamesAreStoredWholeAndReadCut) {
    TempDir dir(TempPlace::Memory);
    const auto path = dir / "Morrow.ini";
    const GameRecordFile file = HalloweenFile(path);
    const std::string forty = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
    const std::pair<std::string, std::string> cases[] = {
        {forty, forty.substr(0, 30)},
        {std::string(29, 'a') + "\xC3\xA9\xC3\xA9", std::string(29, 'a') + "\xC3\xA9"},
        {"  spaced out  ", "  spaced out  "},
        {"\"quoted\"", "\"quoted\""},
        {"", ""},
        {"Lucky\nrun\r\n[GameNo1]\tCredits=9", "Lucky run  [GameNo1] Credits=9"},
    };
    ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(7), 0, "first slot"));
    const std::string firstSlot = ReadSlot(file, 0);
    for (const auto& [written, read] : cases) {
        ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(1), 3, written));
        SavedGame game;
        file.ReadGameRecord(game, 3);
        EXPECT_EQ(game.GameName, read) << "name written as [" << written << "]";
        EXPECT_EQ(ReadSlot(file, 0), firstSlot) << "slot 1 changed by writing [" << written << "]";
    }
    ASSERT_FALSE(file.WriteGameRecord(GameWithCounters(1), 3, forty));
    EXPECT_NE(ReadText(path).find("GameName=" + forty + "\n"), std::string::npos)
        << "the 40 characters are not all kept";
}

// No file, section or key: the defaults, and no file is made by reading.
TEST(GameRecordFile, MissingRecordsGiveTheDefaults) {
    TempDir dir;
    const auto path = dir / "Morrow.ini";
    const GameRecordFile file = HalloweenFile(path);
    EXPECT_EQ(ReadSlot(file, kCurrentGameSlot), "[CurrentGame] [10/31/98] 1000 1000 0 0 0 0 0");
    EXPECT_FALSE(std::filesystem::exists(path)) << "reading created the file";
    WriteText(path, "[GameNo5]\nSpins=4\n");
    EXPECT_EQ(ReadSlot(file, 4), "[GameNo5] [10/31/98] 1000 1000 4 0 0 0 0");
}

// The game's integer rules.
TEST(RecordValue, IntegerRules) {
    const std::pair<const char*, std::optional<std::int32_t>> cases[] = {{"abc", {}},
                                                                         {"0x10", 16},
                                                                         {"$FF", 255},
                                                                         {"-50", -50},
                                                                         {"", {}},
                                                                         {"0x", {}},
                                                                         {"$", {}},
                                                                         {"0X1f", 31},
                                                                         {"+7", 7},
                                                                         {"-", {}},
                                                                         {"12abc", {}},
                                                                         {"2147483647", INT32_MAX},
                                                                         {"2147483648", {}},
                                                                         {"-2147483648", INT32_MIN},
                                                                         {"-2147483649", {}},
                                                                         {"0x80000000", {}},
                                                                         {"$FFFFFFFF", {}},
                                                                         {"-0x10", {}},
                                                                         {"5 ", {}}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ParseRecordInteger(text), value) << "text [" << text << "]";
    }
}

// A file edited by hand or by other tools reads the classic profile way: BOM,
// CRLF, blanks, comments, any letter case, first section and first key only,
// quotes removed, the date cut to 10 characters, no final line break.
TEST(GameRecordFile, ReadsHandEditedFilesTheClassicWay) {
    TempDir dir;
    const auto path = dir / "Morrow.ini";
    WriteText(path, "\xEF\xBB\xBF[CurrentGame]\r\nTricksWon=12\r\n; by hand\r\n[Window]\r\nCredits=1\r\n"
                    "  [ gameno3 ]  \r\n;Credits=2\r\n  CREDITS  =  abc  \r\ncredits=3\r\nBorrowed = 0x10\r\n"
                    "Spins=\r\nTotalBets=$FF\r\nNudges=-50\r\nGameName =  \" Lucky run \"  \r\n"
                    "GameDate=2024-10-31 and more\r\nno equals sign\r\n[GameNo3]\r\nNudgesUsed=77\r\n"
                    "[GameNo2]\r\nSpins=8");
    const GameRecordFile file = HalloweenFile(path);
    EXPECT_EQ(ReadSlot(file, 2), "[ Lucky run ] [2024-10-31] 1000 16 0 255 -50 0 0");
    EXPECT_EQ(ReadSlot(file, kCurrentGameSlot), "[CurrentGame] [10/31/98] 1000 1000 0 0 0 0 12");
    EXPECT_EQ(ReadSlot(file, 1), "[GameNo2] [10/31/98] 1000 1000 8 0 0 0 0");
}

// A write keeps the layout: keys replaced in place with their spelling, new
// keys after the section's last entry, new sections at the end, the file's
// own line ends, everything else byte for byte.
TEST(GameRecordFile, WritesKeepTheLayout) {
    TempDir dir;
    const auto path = dir / "Morrow.ini";
    WriteText(path, "; notes\r\n[Window]\r\nLeft = 10\r\n[gameno2]\r\ncredits = 5\r\nExtra=keep me\r\n\r\n"
                    "; the other one\r\n[Other]\r\nx=1");
    const GameRecordFile file = HalloweenFile(path, ".");
    SavedGame game = GameWithCounters(0);
    game.Credits = 1250;
    game.Borrowed = -2000;
    ASSERT_FALSE(file.WriteGameRecord(game, 1, "Lucky run"));
    ASSERT_FALSE(file.WriteGameRecord(game, kCurrentGameSlot, kCurrentGameName));
    const std::string rest =
        "Borrowed=-2000\r\nSpins=0\r\nTotalBets=0\r\nNudges=0\r\nNudgesUsed=0\r\nTricksWon=0\r\n";
    EXPECT_EQ(ReadText(path),
              "; notes\r\n[Window]\r\nLeft = 10\r\n[gameno2]\r\ncredits = 1250\r\nExtra=keep me\r\n"
              "GameName=Lucky run\r\nGameDate=10.31.98\r\n" +
                  rest +
                  "\r\n; the other one\r\n[Other]\r\nx=1\r\n[CurrentGame]\r\n"
                  "GameName=CurrentGame\r\nGameDate=10.31.98\r\nCredits=1250\r\n" +
                  rest);
}

// Where the file lives, and the date as it is written.
TEST(GameRecordFile, PathAndDate) {
    EXPECT_EQ(GameRecordPathFor("/x/cfg", "/home/u"), "/x/cfg/morrowmas-slots/Morrow.ini");
    EXPECT_EQ(GameRecordPathFor("", "/home/u"), "/home/u/.config/morrowmas-slots/Morrow.ini");
    EXPECT_EQ(GameRecordPathFor("rel/cfg", "/home/u"), "/home/u/.config/morrowmas-slots/Morrow.ini");
    EXPECT_EQ(FormatGameDate({2005, 1, 2}, "-"), "01-02-05");
    const std::pair<const char*, const char*> formats[] = {
        {"%m/%d/%y", "/"},   {"%d.%m.%Y", "."},         {"%F", "-"},
        {"%-d.%-m.%Y", "."}, {"%Y\xE5\xB9\xB4%m", "/"}, {"", "/"}};
    for (const auto& [format, separator] : formats) {
        EXPECT_EQ(DateSeparatorOf(format), separator) << "format [" << format << "]";
    }
}

} // namespace
} // namespace morrow
