// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameRecordFile.h"
#include "IniText.h"
#include "RecordTestSupport.h"
#include "RecordValue.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace morrow {
namespace {

using namespace morrow::test;

// What random record texts are made of: the file's structure, names in other
// letter cases, every kind of line end, stray and broken UTF-8 bytes.
constexpr std::array<std::string_view, 26> kPieces{
    "[",  "]",       "=",       "\n",           "\r\n",     "\r",       " ",        "\t", ";",
    "\"", "GameNo1", "gameno3", "CurrentGame",  "Credits",  "CREDITS",  "GameName", "0x", "$",
    "-",  "7",       "FF",      "\xEF\xBB\xBF", "\xC3\xA9", "\xF0\x9F", "\x80",     "x"};
constexpr std::array<std::string_view, 3> kSections{"GameNo1", "GameNo3", "CurrentGame"};
constexpr std::array<std::string_view, 3> kKeys{"Credits", "GameName", "Extra"};

std::string RandomText(std::mt19937& random, std::size_t maxPieces) {
    std::string text;
    for (std::size_t n = random() % (maxPieces + 1); n > 0; --n) {
        text += kPieces[random() % kPieces.size()];
    }
    return text;
}

std::vector<std::string> AllLookups(const IniText& ini) {
    std::vector<std::string> seen;
    for (const auto section : kSections) {
        for (const auto key : kKeys) {
            const auto value = ini.Find(section, key);
            seen.push_back(value ? "=" + std::string(UnwrapValue(*value)) : "missing");
        }
    }
    return seen;
}

// Random texts: parsing keeps every byte; setting a value changes that
// lookup only, and survives writing and parsing again; reading the texts as
// record files gives names and dates within their lengths.
TEST(RecordFuzz, RandomTextsKeepTheirBytesAndChangeOnlyWhatIsSet) {
    std::mt19937 random(31101998);
    TempDir dir(TempPlace::Memory);
    const GameRecordFile file = HalloweenFile(dir / "Morrow.ini");
    for (int round = 0; round < 4000; ++round) {
        const std::string text = RandomText(random, 40);
        IniText ini(text);
        ASSERT_EQ(ini.Text(), text) << "round " << round << ": parsing changed the bytes";
        auto expected = AllLookups(ini);
        const std::size_t s = random() % kSections.size();
        const std::size_t k = random() % kKeys.size();
        const std::string value = OneLine(RandomText(random, 4));
        ini.Set(kSections[s], kKeys[k], value);
        expected[s * kKeys.size() + k] = "=" + std::string(UnwrapValue(value));
        ASSERT_EQ(AllLookups(ini), expected)
            << "round " << round << " setting [" << value << "] in [" << text << "]";
        ASSERT_EQ(AllLookups(IniText(ini.Text())), expected) << "round " << round << ": lost in writing";
        ASSERT_EQ(UnwrapValue(WrapValue(value)), value) << "[" << value << "] does not read back";

        if (round % 20 == 0) {
            WriteText(dir / "Morrow.ini", text);
            GameSession game;
            file.ReadGameRecord(game, static_cast<int>(random() % 9));
            ASSERT_EQ(FirstCharacters(game.GameName, 30), game.GameName);
            ASSERT_EQ(FirstCharacters(game.GameDate, 10), game.GameDate);
        }
    }
}

// The integer rules against a second reading built on strtoll.
TEST(RecordFuzz, IntegerRulesAgreeWithStrtoll) {
    const auto reference = [](std::string text) -> std::optional<std::int32_t> {
        int base = 10;
        if ((text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) && text.size() > 2) {
            text.erase(0, 2), base = 16;
        } else if (text.rfind('$', 0) == 0) {
            text.erase(0, 1), base = 16;
        }
        const std::size_t sign = base == 10 && (text.rfind('-', 0) == 0 || text.rfind('+', 0) == 0) ? 1 : 0;
        const char* digits = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
        if (text.size() == sign || text.find_first_not_of(digits, sign) != std::string::npos) {
            return std::nullopt;
        }
        errno = 0;
        const long long value = std::strtoll(text.c_str(), nullptr, base);
        if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
            return std::nullopt;
        }
        return static_cast<std::int32_t>(value);
    };
    std::mt19937 random(1998);
    const std::string alphabet = "0123456789abcdefABCDEFxX$+- g";
    for (int round = 0; round < 100000; ++round) {
        std::string text;
        const std::size_t letters = round % 4 == 0 ? 10 : alphabet.size();
        for (std::size_t n = random() % 15; n > 0; --n) {
            text += alphabet[random() % letters];
        }
        ASSERT_EQ(ParseRecordInteger(text), reference(text)) << "text [" << text << "]";
    }
}

} // namespace
} // namespace morrow
