// The nearest-colour search of the built-in palette, on a table the build
// worked out, so the first conversion costs what every other one does.
#pragma once
#include "core/nearest_colour.h"

const NearestPaletteColour& BuiltinNearestColour();
