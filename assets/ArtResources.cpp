// SPDX-License-Identifier: GPL-3.0-or-later
// The library's one source file: the pictures themselves arrive as Qt
// resources compiled alongside it.
#include "ArtResources.h"
