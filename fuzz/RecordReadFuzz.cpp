// SPDX-License-Identifier: GPL-3.0-or-later
// The record file as a player may leave it: any bytes in Morrow.ini. Every
// slot reads without harm, the names and dates within their lengths; the
// text reader keeps every byte; the integer rules give a number only for a
// text that writes back as the same number.
#include "FuzzSupport.h"
#include "GameRecordFile.h"
#include "IniText.h"
#include "RecordValue.h"
#include "engine/FakeGameHost.h"

#include <charconv>
#include <string>

using namespace morrow;

namespace {

// The integer rules against what they return: a number read from a decimal
// text writes back as that text, less a plus sign and leading zeros.
void CheckInteger(std::string_view text) {
    const std::optional<std::int32_t> number = ParseRecordInteger(text);
    if (!number || text.empty() || text[0] == '$' ||
        (text.size() > 2 && (text[1] == 'x' || text[1] == 'X'))) {
        return;
    }
    std::string_view digits = text;
    const bool negative = digits[0] == '-';
    if (digits[0] == '-' || digits[0] == '+') {
        digits.remove_prefix(1);
    }
    while (digits.size() > 1 && digits[0] == '0') {
        digits.remove_prefix(1);
    }
    const std::string expected = (negative && digits != "0" ? "-" : "") + std::string(digits);
    fuzz::Require(std::to_string(*number) == expected, "a decimal record value reads as another number");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const IniText ini(text);
    fuzz::Require(ini.Text() == text, "reading the record text changed its bytes");
    CheckInteger(text.substr(0, 24));

    static const std::filesystem::path path = fuzz::ScratchDir() / "Morrow.ini";
    fuzz::WriteFile(path, {data, size});
    static test::FakeTimers clock; // Halloween 1998
    const GameRecordFile file(path, clock, "/");
    for (int slot = 0; slot <= kCurrentGameSlot; ++slot) {
        GameSession game;
        file.ReadGameRecord(game, slot);
        fuzz::Require(FirstCharacters(game.GameName, 30) == game.GameName,
                      "a name longer than 30 characters");
        fuzz::Require(FirstCharacters(game.GameDate, 10) == game.GameDate,
                      "a date longer than 10 characters");
        const auto credits = ini.Find(SectionNameOf(slot), "Credits");
        const auto number =
            credits ? ParseRecordInteger(FirstCharacters(UnwrapValue(*credits), 1023)) : std::nullopt;
        fuzz::Require(game.Credits == number.value_or(1000), "Credits read other than the text says");
        if (credits) {
            CheckInteger(UnwrapValue(*credits));
        }
    }
    return 0;
}
