// SPDX-License-Identifier: GPL-3.0-or-later
// morrow-soundgen: makes every sound effect of the game.
//
//   morrow-soundgen <program-dir>                     write all sounds
//   morrow-soundgen --sheet [--play] <program-dir>    list (and play) them
#include "SoundSet.h"
#include "SoundSheet.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    using namespace morrow::soundgen;
    try {
        if (argc >= 3 && std::string(argv[1]) == "--sheet") {
            const bool play = argc == 4 && std::string(argv[2]) == "--play";
            if (argc == 3 || play) {
                return PrintSoundSheet(argv[argc - 1], play ? Playback::Play : Playback::ListOnly, stdout);
            }
        } else if (argc == 2 && argv[1][0] != '-') {
            WriteSounds(BuildSounds(), argv[1]);
            return 0;
        }
        std::fprintf(stderr, "usage: morrow-soundgen <program-dir>\n"
                             "       morrow-soundgen --sheet [--play] <program-dir>\n");
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "morrow-soundgen: %s\n", e.what());
        return 1;
    }
}
