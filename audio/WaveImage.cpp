// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveImage.h"

#include "ByteReader.h"

#include <optional>

namespace morrow {

namespace {

std::optional<RiffChunk> RiffOf(std::span<const std::uint8_t> image) {
    const std::optional<RiffChunk> riff = ReadRiffChunk(ByteReader(image), 0, image.size());
    return riff && riff->id == FourCc("RIFF") ? riff : std::nullopt;
}

} // namespace

bool IsWaveImage(std::span<const std::uint8_t> image) {
    const std::optional<RiffChunk> riff = RiffOf(image);
    return riff && riff->form == FourCc("WAVE");
}

bool IsCutShortRiff(std::span<const std::uint8_t> image) {
    const std::optional<RiffChunk> riff = RiffOf(image);
    return riff && !riff->Whole();
}

void FitWaveChunksToImage(std::vector<std::uint8_t>& image) {
    const std::optional<RiffChunk> riff = RiffOf(image);
    if (!riff || riff->form != FourCc("WAVE") || image.size() > UINT32_MAX) {
        return;
    }
    const auto fit = [&image](const RiffChunk& chunk) {
        if (!chunk.Whole()) {
            SetLittle(image, static_cast<std::size_t>(chunk.body - 4), static_cast<std::uint32_t>(chunk.held),
                      4);
        }
        return true;
    };
    // The RIFF chunk holding the others, then each of those.
    fit(*riff);
    ForEachRiffChunk(ByteReader(image), 12, image.size(), fit);
}

} // namespace morrow
