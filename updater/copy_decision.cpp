// What an update copies: entry classes, the transfer mask and the mask of each kind of run.
#include "updater/copy_decision.h"

#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"

namespace rt {

int16_t ClassifyEntry(const FileInfo& source, const FileInfo& target, StrRef name, StrRef exclusions,
                      int32_t tolerance) {
    if (source.status != 0) return kClassUnusable;
    int16_t c = kClassMissing;
    if (target.status == 0) {
        switch (CompareStamps(source.writeDate, source.writeTime, target.writeDate, target.writeTime, tolerance)) {
            case StampOrder::Equal: return kClassEqual;
            case StampOrder::SourceNewer: c = kClassSourceNewer; break;
            case StampOrder::TargetNewer: c = kClassTargetNewer; break;
        }
    }
    if (exclusions.ok() && exclusions.len) {
        PoolScope scope;
        if (ListIndex(exclusions, Case(name, 2), ',') != 0) c = kClassExcluded;
    }
    return c;
}

bool MaskAllows(uint16_t mask, int16_t c) {
    const uint16_t allowed = (mask & kMaskClasses) ? mask : static_cast<uint16_t>(mask | kMaskNewerOrMissing);
    return c > 0 && (allowed & (1u << (c - 1)));
}

uint16_t TransferMask(RunFlags flags, UpdateSource source) {
    const bool overwrite = source == UpdateSource::Http && (flags & RunFlag::OverwriteNewer);
    return overwrite ? kMaskAlsoTargetNewer : kMaskNewerOrMissing;
}

}  // namespace rt
