// The StatusWindow: one top-most box in the middle of the screen that says what is going on.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

struct BoxSize {
    int width;
    int height;
};
// Size of a box for text (lines split at CR, counted without enclosing quotes): the longest line
// plus 4 cells, within work width - 20 and at least a quarter of it; lines + 3 line heights,
// within work height - 10.
BoxSize StatusBoxSize(StrRef text, int cell, int line, int workW, int workH);

// Replaces any StatusWindow with a new one showing text: 0, or 0xFFFF in the low half when one
// was replaced.
uint32_t ShowStatus(StrRef text);
// Destroys the StatusWindow (hides it when that fails) and forgets it.
void CloseStatus();
bool StatusShown();

}  // namespace rt
