// The virtual-key to key-number map.
#include "ui/key_numbers.h"

namespace rt {

uint16_t KeyNumber(uint16_t vk) {
    switch (vk) {
    case kVkReturn: return kKeyEnter;
    case kVkTab: return kKeyTab;
    case kVkEscape: return kKeyEscape;
    case kVkUp: return kKeyUp;
    case kVkPageUp: return kKeyPageUp;
    case kVkDown: return kKeyDown;
    case kVkPageDown: return kKeyPageDown;
    case kVkSpecial: return kKeySpecial;
    default: return vk >= kVkF1 && vk <= kVkF11 ? static_cast<uint16_t>(kKeyF1 + vk - kVkF1) : kKeyOther;
    }
}

}  // namespace rt
