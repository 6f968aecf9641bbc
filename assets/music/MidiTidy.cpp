// SPDX-License-Identifier: GPL-3.0-or-later
// morrow-miditidy: ends the tempo track of a built piece where its music
// ends (see TempoTrackEnd.h), so that the piece stops with its last note.
//
// Usage: morrow-miditidy <piece.mid>     rewrites the file in place
// Exit status 0 on success, 1 with a message on a file it cannot read.

#include "TempoTrackEnd.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace morrow {
namespace {

int Run(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "morrow-miditidy: cannot open %s\n", path.c_str());
            return 1;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string error;
    switch (EndTempoTrackWithMusic(bytes, error)) {
    case TempoTrackEnd::Refused:
        std::fprintf(stderr, "morrow-miditidy: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    case TempoTrackEnd::Unchanged:
        return 0;
    case TempoTrackEnd::Moved:
        break;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "morrow-miditidy: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

} // namespace
} // namespace morrow

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: morrow-miditidy <piece.mid>\n");
        return 2;
    }
    return morrow::Run(argv[1]);
}
