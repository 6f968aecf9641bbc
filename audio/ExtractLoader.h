// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SoundFontExtract.h"

#include <fluidsynth/types.h>

namespace morrow {

// Lets `synth` load extracts from memory: adds a SoundFont loader, tried
// before the synthesiser's own, that reads the names LoadExtract hands out.
// Call once per synthesiser, before any SoundFont is loaded into it (the
// synthesiser takes no new loaders after that).
void InstallExtractLoader(fluid_synth_t* synth, fluid_settings_t* settings);

// Loads `extract` into `synth`, whose settings must not ask for dynamic
// sample loading (everything is read here, while the extract is at hand),
// and selects the channels' presets afresh. An extract without samples
// cannot be loaded: such a piece sounds nothing anyway. The SoundFont's id,
// or FLUID_FAILED.
int LoadExtract(fluid_synth_t* synth, const SoundFontExtract& extract);

} // namespace morrow
