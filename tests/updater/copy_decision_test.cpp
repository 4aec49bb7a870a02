// What an update copies, as one table: two records (the tolerance's edges included), the exclusion
// list and the mask give the entry's class and whether the action runs for it; and the mask of
// each kind of run.
#include <gtest/gtest.h>

#include "tests/support/text.h"
#include "updater/copy_decision.h"

using namespace rt;
using rt_test::T;

namespace {

FileInfo Info(int32_t date, int32_t time, ErrCode status = 0) {
    FileInfo f{};
    f.status = status;
    f.writeDate = date;
    f.writeTime = time;
    return f;
}

constexpr int32_t kDay = 20240101;
const FileInfo kNone = Info(0, 0, kErrFileNotFound);

TEST(CopyDecision, Table) {
    const struct {
        FileInfo s, t;
        const char* name;
        const char* exclusions;
        uint16_t mask;
        int16_t c;
        bool runs;
    } rows[] = {
        // The tolerance from both sides: 50 ms either way is the same time, 51 is not.
        {Info(kDay, 1000), Info(kDay, 1000), "a", "", 18, kClassEqual, false},
        {Info(kDay, 1050), Info(kDay, 1000), "a", "", 18, kClassEqual, false},
        {Info(kDay, 1051), Info(kDay, 1000), "a", "", 18, kClassSourceNewer, true},
        {Info(kDay, 950), Info(kDay, 1000), "a", "", 18, kClassEqual, false},
        {Info(kDay, 949), Info(kDay, 1000), "a", "", 22, kClassTargetNewer, true},
        {Info(kDay, 949), Info(kDay, 1000), "a", "", 18, kClassTargetNewer, false},
        // Dates decide before times.
        {Info(kDay + 1, 0), Info(kDay, 86399000), "a", "", 18, kClassSourceNewer, true},
        {Info(kDay, 86399000), Info(kDay + 1, 0), "a", "", 18, kClassTargetNewer, false},
        {Info(kDay, 0), kNone, "a", "", 18, kClassMissing, true},
        {kNone, Info(kDay, 0), "a", "", 18, kClassUnusable, false},
        // The exclusion list turns a difference, not an equal entry, into class 4.
        {Info(kDay + 1, 0), Info(kDay, 0), "Log.TXT", "x.dat,log.txt", 18, kClassExcluded, false},
        {Info(kDay, 0), kNone, "log.txt", "log.txt", 18, kClassExcluded, false},
        {Info(kDay, 0), Info(kDay, 0), "log.txt", "log.txt", 18, kClassEqual, false},
        // A mask without class bits stands for 18; 0x20 alone (delete) too, and 0x20 with class 6
        // gives actions to unusable entries only.
        {Info(kDay, 0), kNone, "a", "", 0, kClassMissing, true},
        {Info(kDay, 0), kNone, "a", "", kMaskDeleteTarget | kMaskNoBackup, kClassMissing, false},
        {kNone, Info(kDay, 0), "a", "", kMaskDeleteTarget, kClassUnusable, true},
        {Info(kDay + 1, 0), Info(kDay, 0), "a", "", kMaskDeleteTarget, kClassSourceNewer, false},
        {Info(kDay + 1, 0), Info(kDay, 0), "a", "", 0x100, kClassSourceNewer, true},
    };
    for (const auto& r : rows) {
        const int16_t c = ClassifyEntry(r.s, r.t, T(r.name), T(r.exclusions), kTimeTolerance);
        EXPECT_EQ(c, r.c) << r.s.writeDate << " " << r.s.writeTime << " " << r.name;
        EXPECT_EQ(MaskAllows(r.mask, c), r.runs) << r.mask << " " << c;
    }
}

// 22 (also target newer) is for the HTTP update only: a plain run sets OverwriteNewer, and a share or
// folder update must still leave target files that are newer than the source alone.
TEST(CopyDecision, TransferMaskOverwritesNewerTargetsOnlyOverHttp) {
    const RunFlags plain = PlanRun(T(""), T(""), T("")).flags;
    struct Case { RunFlags flags; UpdateSource source; uint16_t mask; };
    const Case cases[] = {
        {0, UpdateSource::Http, 18},           {0x101, UpdateSource::Http, 18},
        {0x009, UpdateSource::Http, 22},       {0x209, UpdateSource::Http, 22},
        {plain, UpdateSource::Http, 22},       {0, UpdateSource::ShareOrFolder, 18},
        {0x009, UpdateSource::ShareOrFolder, 18}, {plain, UpdateSource::ShareOrFolder, 18},
        {0x209, UpdateSource::ShareOrFolder, 18},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TransferMask(c.flags, c.source), c.mask) << c.flags << " " << static_cast<int>(c.source);
    // Bit (c - 1) allows class c: 18 is classes 2 and 5, 22 adds class 3.
    EXPECT_EQ(TransferMask(0, UpdateSource::Http), (1 << 1) | (1 << 4));
    EXPECT_EQ(TransferMask(RunFlag::OverwriteNewer, UpdateSource::Http), (1 << 1) | (1 << 2) | (1 << 4));
}

}  // namespace
