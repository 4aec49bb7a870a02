// Temporaries cost no heap allocation: a burst of text work is watched through the sanitizer's
// allocator hooks, which see every malloc and free of the process.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "runtime/catalogue.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

// The sanitizer runtime's allocator hooks (its header is not shipped with GCC).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                         void (*free_hook)(const volatile void*));

namespace {

std::atomic<bool> gWatching{false};
std::atomic<long> gHeapCalls{0};

void OnMalloc(const volatile void*, size_t) {
    if (gWatching) ++gHeapCalls;
}
void OnFree(const volatile void*) {
    if (gWatching) ++gHeapCalls;
}

bool WatchInstalled() {
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
    return installed;
}

}  // namespace

TEST(PoolHeapTest, TextWorkOnThePoolCallsNoAllocator) {
    ASSERT_TRUE(WatchInstalled());
    const rt::StrRef list = rt::StrFromLiteral("alpha,'b,eta',gamma,delta");
    const uint16_t mark = rt::PoolMark();
    long fields = 0;
    gHeapCalls = 0;
    gWatching = true;
    for (int i = 0; i < 20000; ++i) {
        uint16_t m = rt::PoolMark();
        rt::StrRef joined = rt::Join(rt::Field(list, ',', 3), rt::StrFromLiteral("-"), rt::Case(list, 1));
        rt::StrRef replaced = rt::Replace(joined, rt::StrFromLiteral("A"), rt::StrFromLiteral("aa"), true);
        rt::StrRef piece = rt::SubStr(rt::TrimUnquote(replaced), -5, rt::kNpos);
        fields += rt::FieldCount(replaced, ',') + rt::FindStr(piece, rt::StrFromLiteral("T"), false);
        rt::MessageField(19, 3);
        rt::PoolReturn(m, piece);
        rt::PoolRelease(m);
    }
    gWatching = false;
    rt::PoolRelease(mark);
    EXPECT_EQ(gHeapCalls.load(), 0) << "pool operations reached the heap";
    EXPECT_GT(fields, 0);
}

TEST(PoolHeapTest, TheWatchSeesAnAllocationWhenThereIsOne) {
    // Guards the test above against a hook that never fires.
    ASSERT_TRUE(WatchInstalled());
    gHeapCalls = 0;
    gWatching = true;
    void* volatile p = std::malloc(64);
    gWatching = false;
    std::free(p);
    EXPECT_GE(gHeapCalls.load(), 1);
}
