#include "GameRecordFile.h"
#include "IniText.h"
#include "RecordTestSupport.h"
#include "RecordValue.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace morrow {
namespace {

// Pieces that random record texts are made of: the file's own structure,
// names in other letter cases, line ends of every kind, stray bytes.
constexpr std::array<std::string_view, 30> kPieces{"[",
                                                   "]",
                                                   "=",
                                                   "\n",
                                                   "\r\n",
                                                   "\r",
                                                   " ",
                                                   "\t",
                                                   ";",
                                                   "#",
                                                   "\"",
                                                   "'",
                                                   "GameNo1",
                                                   "gameno3",
                                                   "CurrentGame",
                                                   "Credits",
                                                   "CREDITS",
                                                   "GameName",
                                                   "GameDate",
                                                   "0x",
                                                   "$",
                                                   "-",
                                                   "7",
                                                   "FF",
                                                   "\xEF\xBB\xBF",
                                                   "\xC3\xA9",
                                                   "\xF0\x9F",
                                                   "\x80",
                                                   std::string_view("\0", 1),
                                                   "x"};

const std::array<std::string_view, 4> kSections{"GameNo1", "GameNo3", "CurrentGame", "Other"};
const std::array<std::string_view, 4> kKeys{"Credits", "GameName", "GameDate", "Extra"};

std::string RandomText(std::mt19937& random, std::size_t maxPieces) {
    std::uniform_int_distribution<std::size_t> count(0, maxPieces);
    std::uniform_int_distribution<std::size_t> piece(0, kPieces.size() - 1);
    std::string text;
    for (std::size_t n = count(random); n > 0; --n) {
        text += kPieces[piece(random)];
    }
    return text;
}

// Everything a reader can see of the text, for comparing two texts.
std::vector<std::optional<std::string>> AllLookups(const IniText& ini) {
    std::vector<std::optional<std::string>> seen;
    for (const auto section : kSections) {
        for (const auto key : kKeys) {
            const auto value = ini.Find(section, key);
            seen.push_back(value ? std::optional<std::string>(std::string(*value)) : std::nullopt);
        }
    }
    return seen;
}

// Random texts: parsing keeps every byte; setting one value changes exactly
// that lookup and survives a write and a new parse.
TEST(RecordFuzz, IniTextKeepsBytesAndChangesOnlyWhatIsSet) {
    std::mt19937 random(31101998);
    std::uniform_int_distribution<std::size_t> pick(0, 3);
    for (int round = 0; round < 6000; ++round) {
        const std::string text = RandomText(random, 40);
        IniText ini(text);
        ASSERT_EQ(ini.Text(), text) << "round " << round << ": parsing changed the bytes";

        const auto before = AllLookups(ini);
        const std::size_t s = pick(random);
        const std::size_t k = pick(random);
        const std::string value = RandomText(random, 4);
        ini.Set(kSections[s], kKeys[k], value);

        std::string oneLine = value;
        for (char& c : oneLine) {
            c = (c == '\r' || c == '\n') ? ' ' : c;
        }
        auto expected = before;
        const auto found = ini.Find(kSections[s], kKeys[k]);
        ASSERT_TRUE(found) << "round " << round << ": the value set is not found";
        // Blanks right after '=' belong to the line, so compare from the first non-blank.
        const std::string_view got = *found;
        ASSERT_EQ(UnwrapValue(got), UnwrapValue(oneLine)) << "round " << round << " in [" << text << "]";
        expected[s * kKeys.size() + k] = std::string(got);
        ASSERT_EQ(AllLookups(ini), expected) << "round " << round << ": another value changed";
        ASSERT_EQ(AllLookups(IniText(ini.Text())), expected) << "round " << round << ": lost in writing";
    }
}

// The integer rules against a second, independent reading built on strtoll.
TEST(RecordFuzz, IntegerRulesAgreeWithStrtoll) {
    const auto reference = [](const std::string& text) -> std::optional<std::int32_t> {
        std::string digits = text;
        int base = 10;
        if (text.size() > 2 && (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0)) {
            digits = text.substr(2);
            base = 16;
        } else if (text.rfind('$', 0) == 0) {
            digits = text.substr(1);
            base = 16;
        }
        const std::size_t signs =
            base == 10 && !digits.empty() && (digits[0] == '-' || digits[0] == '+') ? 1 : 0;
        const std::string body = digits.substr(signs);
        const char* allowed = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
        if (body.empty() || body.find_first_not_of(allowed) != std::string::npos) {
            return std::nullopt;
        }
        errno = 0;
        const long long value = std::strtoll(digits.c_str(), nullptr, base);
        if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
            return std::nullopt;
        }
        return static_cast<std::int32_t>(value);
    };
    std::mt19937 random(1998);
    const std::string alphabet = "0123456789abcdefABCDEFxX$+- g";
    std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 14);
    std::uniform_int_distribution<int> digitsOnly(0, 3);
    for (int round = 0; round < 200000; ++round) {
        std::string text;
        const bool plain = digitsOnly(random) == 0;
        for (int n = length(random); n > 0; --n) {
            text += plain ? alphabet[letter(random) % 10] : alphabet[letter(random)];
        }
        ASSERT_EQ(ParseRecordInteger(text), reference(text)) << "text [" << text << "]";
    }
}

// Cutting random bytes never splits a UTF-8 sequence; cutting valid text
// keeps exactly the characters asked for; wrapping any one-line value reads
// back as the value.
TEST(RecordFuzz, CutsAndQuotesHoldForRandomText) {
    std::mt19937 random(42);
    std::uniform_int_distribution<std::size_t> count(0, 12);
    std::uniform_int_distribution<int> codePoint(0x20, 0x10FFFF);
    for (int round = 0; round < 20000; ++round) {
        std::string utf8;
        std::size_t characters = 0;
        for (std::size_t n = count(random); n > 0; --n, ++characters) {
            int cp = codePoint(random) % (round % 2 == 0 ? 0x80 : 0x110000);
            if (cp < 0x20 || (cp >= 0xD800 && cp <= 0xDFFF)) {
                cp = 'a';
            }
            const auto u = static_cast<unsigned>(cp);
            if (u < 0x80) {
                utf8 += static_cast<char>(u);
            } else if (u < 0x800) {
                utf8 += {static_cast<char>(0xC0 | (u >> 6)), static_cast<char>(0x80 | (u & 0x3F))};
            } else if (u < 0x10000) {
                utf8 += {static_cast<char>(0xE0 | (u >> 12)), static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
                         static_cast<char>(0x80 | (u & 0x3F))};
            } else {
                utf8 += {static_cast<char>(0xF0 | (u >> 18)), static_cast<char>(0x80 | ((u >> 12) & 0x3F)),
                         static_cast<char>(0x80 | ((u >> 6) & 0x3F)), static_cast<char>(0x80 | (u & 0x3F))};
            }
        }
        const std::size_t keep = count(random);
        const std::string_view cut = FirstCharacters(utf8, keep);
        std::size_t kept = 0;
        for (const char c : cut) {
            kept += (static_cast<unsigned char>(c) & 0xC0U) != 0x80U ? 1 : 0;
        }
        ASSERT_EQ(kept, std::min(keep, characters)) << "cut of [" << utf8 << "] to " << keep;
        ASSERT_TRUE(cut.size() == utf8.size() ||
                    (static_cast<unsigned char>(utf8[cut.size()]) & 0xC0U) != 0x80U)
            << "a sequence was split in [" << utf8 << "]";

        const std::string bytes = RandomText(random, 8);
        const std::string line = OneLine(bytes);
        ASSERT_EQ(UnwrapValue(WrapValue(line)), line) << "value [" << line << "] does not read back";
        ASSERT_LE(FirstCharacters(bytes, keep).size(), bytes.size());
    }
}

// Reading whole record files of random text never fails and keeps the
// name and the date within their lengths.
TEST(RecordFuzz, ReadingRandomFilesGivesSaneGames) {
    test::TempDir dir(test::TempPlace::Memory);
    const auto path = dir / "Morrow.ini";
    const GameRecordFile file = test::HalloweenFile(path);
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        test::WriteText(path, RandomText(random, 200));
        for (int slot = 0; slot <= kCurrentGameSlot; ++slot) {
            GameSession game;
            file.ReadGameRecord(game, slot);
            ASSERT_LE(game.GameName.size(), 30U * 4U);
            ASSERT_EQ(FirstCharacters(game.GameName, 30), game.GameName);
            ASSERT_EQ(FirstCharacters(game.GameDate, 10), game.GameDate);
        }
    }
}

} // namespace
} // namespace morrow
