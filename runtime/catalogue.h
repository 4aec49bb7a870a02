// MessageCatalogue: the built-in numbered messages (Spanish, Windows-1252) and their lookup.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Four-digit key of message n, zero-filled ("0007"); n is at most 9999. A pool text.
StrRef MessageKey(uint16_t n);
// Text of message n: from a loaded language resource (group 9 item 12) when there is one, else
// from the built-in catalogue; a missing or empty message gives "Lang code NNNN not found.".
StrRef Message(uint16_t n);
// Field k (0 counts as 1) of Message(n), split at commas.
StrRef MessageField(uint16_t n, uint16_t k);

// Built-in block index 1..4 (keys 0000-0039, 0040-0089, 0090-0141, 0999 divider + 1001-1005),
// tab-separated entries "NNNN text", each block starting with a tab; another index gives
// kErrBadInput.
StrRef CatalogueBlock(int index);

}  // namespace rt
