// The GDI object cache: one object per key, a full table's fallback, and the freeing of all.
#include <gtest/gtest.h>

#include <set>

#include "ui/gdi_cache.h"

using namespace rt;

namespace {

void* Fake(uintptr_t n) { return reinterpret_cast<void*>(n); }

std::set<void*> gDisposed;
void Dispose(uint16_t, void* h) { gDisposed.insert(h); }
void* gHandedOver = nullptr;
void* Refuse(void* h) {
    gHandedOver = h;
    return Fake(1);
}

TEST(GdiCacheTest, KeysFindTheirObjectAndAFullTableHandsOver) {
    gDisposed.clear();
    GdiFreeAll(nullptr);
    EXPECT_EQ(GdiStore(kGdiKindFont, 16, 9, Fake(0x100), Refuse), Fake(0x100));
    EXPECT_EQ(GdiStore(kGdiKindBrush, 16, 9, Fake(0x200), Refuse), Fake(0x200));
    EXPECT_EQ(GdiLookup(kGdiKindFont, 16, 9), Fake(0x100));
    EXPECT_EQ(GdiLookup(kGdiKindBrush, 16, 9), Fake(0x200));
    EXPECT_EQ(GdiLookup(kGdiKindFont, 16, 8), nullptr);
    EXPECT_EQ(GdiLookup(kGdiKindFont, 15, 9), nullptr);
    for (uint16_t k = 2; k < kGdiCacheCapacity; ++k) {
        EXPECT_EQ(GdiStore(kGdiKindBrush, k, 0, Fake(0x1000 + k), Refuse), Fake(0x1000 + k));
    }
    EXPECT_EQ(GdiCount(0), kGdiCacheCapacity);
    EXPECT_EQ(GdiCount(kGdiKindFont), 1);
    EXPECT_EQ(GdiStore(kGdiKindFont, 99, 0, Fake(0x999), Refuse), Fake(1));
    EXPECT_EQ(gHandedOver, Fake(0x999));
    EXPECT_EQ(GdiLookup(kGdiKindFont, 99, 0), nullptr);
    EXPECT_EQ(GdiStore(kGdiKindFont, 98, 0, Fake(0x998), nullptr), Fake(0x998));
    EXPECT_EQ(GdiFreeAll(Dispose), kGdiCacheCapacity);
    EXPECT_EQ(gDisposed.size(), kGdiCacheCapacity);
    EXPECT_TRUE(gDisposed.count(Fake(0x100)));
    EXPECT_EQ(GdiCount(0), 0);
    EXPECT_EQ(GdiLookup(kGdiKindFont, 16, 9), nullptr);
}

}  // namespace
