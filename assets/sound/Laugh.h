// SPDX-License-Identifier: GPL-3.0-or-later
// Laughter from a small formant voice of our own: a glottal buzz and breath
// shaped by the resonances of a vowel, one "ha" at a time.
#pragma once

#include "Wave.h"

namespace morrow::soundgen {

enum class LaughStyle {
    Witch,  // a high, quick "hee-hee-hee-heeee", about 1.2 s
    Villain // a deep, slower "mwa-ha-ha-haaa", about 1.1 s
};

Mono Laugh(LaughStyle style);

} // namespace morrow::soundgen
