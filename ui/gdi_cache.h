// The GDI object cache: one font or brush per distinct key, created once and freed at shut-down.
//
// Handles are opaque here, so the table and its policy are tested without a window system; the
// window layer stores real fonts and brushes and gives the routine that deletes them.
#pragma once

#include <cstdint>

namespace rt {

inline constexpr uint16_t kGdiKindFont = 1;
inline constexpr uint16_t kGdiKindBrush = 2;
// Entries of the table; a full table hands new objects to the store's fallback.
inline constexpr uint16_t kGdiCacheCapacity = 64;

struct GdiEntry {
    uint16_t kind;
    void* handle;  // null: free entry
    uint32_t key1;
    uint32_t key2;
};

// The handle of the first entry with kind and both keys, or null.
void* GdiLookup(uint16_t kind, uint32_t key1, uint32_t key2);
// Puts the four values into the first free entry and returns handle. With no free entry the
// fallback (when given) receives the handle and its result is returned; else the handle is.
using GdiFallback = void* (*)(void* handle);
void* GdiStore(uint16_t kind, uint32_t key1, uint32_t key2, void* handle, GdiFallback fallback);
// Entries in use (of one kind, or of all with kind 0).
uint16_t GdiCount(uint16_t kind);
// Every entry in use, handed to dispose (when given) and cleared. Returns how many there were.
using GdiDispose = void (*)(uint16_t kind, void* handle);
uint16_t GdiFreeAll(GdiDispose dispose);
// The entry at position i (for checks); null beyond the table.
const GdiEntry* GdiAt(uint16_t i);

}  // namespace rt
