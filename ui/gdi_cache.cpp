// The GDI object cache: one font or brush per distinct key, created once and freed at shut-down.
#include "ui/gdi_cache.h"

namespace rt {

namespace {
GdiEntry gTable[kGdiCacheCapacity] = {};
}

void* GdiLookup(uint16_t kind, uint32_t key1, uint32_t key2) {
    for (const GdiEntry& e : gTable) {
        if (e.handle && e.kind == kind && e.key1 == key1 && e.key2 == key2) return e.handle;
    }
    return nullptr;
}

void* GdiStore(uint16_t kind, uint32_t key1, uint32_t key2, void* handle, GdiFallback fallback) {
    for (GdiEntry& e : gTable) {
        if (!e.handle) {
            e = GdiEntry{kind, handle, key1, key2};
            return handle;
        }
    }
    return fallback ? fallback(handle) : handle;
}

uint16_t GdiCount(uint16_t kind) {
    uint16_t n = 0;
    for (const GdiEntry& e : gTable) n += e.handle && (kind == 0 || e.kind == kind) ? 1 : 0;
    return n;
}

uint16_t GdiFreeAll(GdiDispose dispose) {
    uint16_t n = 0;
    for (GdiEntry& e : gTable) {
        if (!e.handle) continue;
        if (dispose) dispose(e.kind, e.handle);
        e = GdiEntry{};
        ++n;
    }
    return n;
}

const GdiEntry* GdiAt(uint16_t i) { return i < kGdiCacheCapacity ? &gTable[i] : nullptr; }

}  // namespace rt
