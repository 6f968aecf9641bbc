// SPDX-License-Identifier: GPL-3.0-or-later
// Read, modify, write: a slot read from any Morrow.ini and written back
// with the same values reads back as written, and changes nothing else in
// the file: every other slot, and every other key, reads as before; writing
// the same values once more leaves the file byte for byte as it was.
#include "FuzzSupport.h"
#include "GameRecordFile.h"
#include "IniText.h"
#include "RecordValue.h"
#include "engine/FakeGameHost.h"

#include <array>
#include <string>
#include <tuple>
#include <vector>

using namespace morrow;

namespace {

constexpr std::array<std::string_view, 10> kKeys{"GameName",  "GameDate", "Credits",    "Borrowed",  "Spins",
                                                 "TotalBets", "Nudges",   "NudgesUsed", "TricksWon", "Extra"};

auto Saved(const GameSession& game) {
    return std::tie(game.GameName, game.GameDate, game.Credits, game.Borrowed, game.Spins, game.TotalBets,
                    game.Nudges, game.NudgesUsed, game.TricksWon);
}

// Every slot as the game reads it, and every key of every slot's section
// (and one the game does not know) as the text holds it.
struct Reading {
    std::vector<GameSession> games;
    std::vector<std::optional<std::string>> values;
};

Reading ReadAll(const GameRecordFile& file) {
    Reading reading;
    const IniText ini(fuzz::ReadFile(file.Path()));
    for (int slot = 0; slot <= kCurrentGameSlot; ++slot) {
        file.ReadGameRecord(reading.games.emplace_back(), slot);
        for (const std::string_view key : kKeys) {
            const auto value = ini.Find(SectionNameOf(slot), key);
            reading.values.push_back(value ? std::optional<std::string>(*value) : std::nullopt);
        }
    }
    return reading;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int slot = data[0] % (kCurrentGameSlot + 1);
    static const std::filesystem::path path = fuzz::ScratchDir() / "Morrow.ini";
    fuzz::WriteFile(path, {data + 1, size - 1});
    static test::FakeTimers clock; // Halloween 1998
    const GameRecordFile file(path, clock, "/");

    const Reading before = ReadAll(file);
    const GameSession& game = before.games[static_cast<std::size_t>(slot)];
    const std::string name = slot == kCurrentGameSlot ? std::string(kCurrentGameName) : game.GameName;
    fuzz::Require(!file.WriteGameRecord(game, slot, name), "a write to a plain file in memory was refused");
    const std::string written = fuzz::ReadFile(path);
    const Reading after = ReadAll(file);

    for (int other = 0; other <= kCurrentGameSlot; ++other) {
        const auto o = static_cast<std::size_t>(other);
        if (other != slot) {
            fuzz::Require(Saved(after.games[o]) == Saved(before.games[o]),
                          "writing one slot changed another");
        }
        for (std::size_t k = 0; k < kKeys.size(); ++k) {
            const std::size_t at = o * kKeys.size() + k;
            if (other != slot || k + 1 == kKeys.size()) {
                fuzz::Require(after.values[at] == before.values[at], "writing a slot changed another key");
            }
        }
    }
    GameSession expected = game;
    expected.GameName = std::string(FirstCharacters(OneLine(name), 30));
    expected.GameDate = "10/31/98";
    fuzz::Require(Saved(after.games[static_cast<std::size_t>(slot)]) == Saved(expected),
                  "a slot does not read back as written");

    fuzz::Require(!file.WriteGameRecord(game, slot, name), "the second write was refused");
    fuzz::Require(fuzz::ReadFile(path) == written, "writing the same values again changed the file");
    return 0;
}
