// SPDX-License-Identifier: GPL-3.0-or-later
// Loading extracts through the synthesiser's file callbacks.
#include "ExtractLoader.h"

#include <fluidsynth.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <span>
#include <string>

namespace morrow {

namespace {

constexpr const char* kExtractPrefix = "morrow-extract:";

// Extracts being loaded, by the name handed to the synthesiser. The file
// callbacks carry no data of their own, so the name finds the extract.
std::mutex gExtractsMutex;
std::map<std::string, const SoundFontExtract*> gExtracts;
std::atomic<std::uint64_t> gExtractCount{0};

struct OpenExtract {
    const SoundFontExtract* extract;
    std::uint64_t at = 0;
};

void* OpenCallback(const char* name) {
    const std::lock_guard lock(gExtractsMutex);
    const auto found = gExtracts.find(name);
    if (found == gExtracts.end()) {
        return nullptr; // not ours: the synthesiser's own loader reads real files
    }
    return new OpenExtract{found->second, 0};
}

int ReadCallback(void* into, fluid_long_long_t count, void* handle) {
    auto& open = *static_cast<OpenExtract*>(handle);
    if (count < 0) {
        return FLUID_FAILED;
    }
    const std::span bytes(static_cast<std::uint8_t*>(into), static_cast<std::size_t>(count));
    if (!open.extract->Read(open.at, bytes)) {
        return FLUID_FAILED;
    }
    open.at += bytes.size();
    return FLUID_OK;
}

int SeekCallback(void* handle, fluid_long_long_t offset, int origin) {
    auto& open = *static_cast<OpenExtract*>(handle);
    const auto size = static_cast<fluid_long_long_t>(open.extract->Size());
    fluid_long_long_t base = 0;
    if (origin == SEEK_CUR) {
        base = static_cast<fluid_long_long_t>(open.at);
    } else if (origin == SEEK_END) {
        base = size;
    } else if (origin != SEEK_SET) {
        return FLUID_FAILED;
    }
    if (offset < -base || offset > size - base) {
        return FLUID_FAILED;
    }
    open.at = static_cast<std::uint64_t>(base + offset);
    return FLUID_OK;
}

fluid_long_long_t TellCallback(void* handle) {
    return static_cast<fluid_long_long_t>(static_cast<OpenExtract*>(handle)->at);
}

int CloseCallback(void* handle) {
    delete static_cast<OpenExtract*>(handle);
    return FLUID_OK;
}

} // namespace

void InstallExtractLoader(fluid_synth_t* synth, fluid_settings_t* settings) {
    fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
    fluid_sfloader_set_callbacks(loader, &OpenCallback, &ReadCallback, &SeekCallback, &TellCallback,
                                 &CloseCallback);
    // Tried before the synthesiser's own loader; the synthesiser owns it.
    fluid_synth_add_sfloader(synth, loader);
}

int LoadExtract(fluid_synth_t* synth, const SoundFontExtract& extract) {
    // A name of its own for every load: the synthesiser shares loaded sample
    // data between SoundFonts of the same file name.
    const std::string name = kExtractPrefix + std::to_string(++gExtractCount);
    {
        const std::lock_guard lock(gExtractsMutex);
        gExtracts[name] = &extract;
    }
    const int id = fluid_synth_sfload(synth, name.c_str(), 1);
    const std::lock_guard lock(gExtractsMutex);
    gExtracts.erase(name);
    return id;
}

} // namespace morrow
