// A growing heap buffer tracked by the run-time context under one tag and freed on every way out.
#pragma once

#include <cstdint>
#include <cstring>

#include "runtime/block_table.h"

namespace rt {

class TrackedBuffer {
public:
    explicit TrackedBuffer(uint16_t tag, uint32_t firstBytes = 1024) : tag_(tag), first_(firstBytes) {}
    ~TrackedBuffer() {
        if (data_) BlockFree(tag_, data_);
    }
    TrackedBuffer(const TrackedBuffer&) = delete;
    TrackedBuffer& operator=(const TrackedBuffer&) = delete;

    // Room for need bytes in all, doubling; false (contents kept) when memory runs out.
    bool Reserve(uint32_t need) {
        if (need <= size_) return true;
        uint64_t size = size_ ? size_ : first_;
        while (size < need) size *= 2;
        if (size > UINT32_MAX) return false;
        char* grown = static_cast<char*>(BlockAllocPtr(tag_, static_cast<uint32_t>(size)));
        if (!grown) return false;
        if (used_) std::memcpy(grown, data_, used_);
        if (data_) BlockFree(tag_, data_);
        data_ = grown;
        size_ = static_cast<uint32_t>(size);
        return true;
    }
    bool Append(const void* p, uint32_t n) {
        if (n > UINT32_MAX - used_ || !Reserve(used_ + n)) return false;
        if (n) std::memcpy(data_ + used_, p, n);
        used_ += n;
        return true;
    }
    char* data() const { return data_; }
    uint32_t used() const { return used_; }

private:
    uint16_t tag_;
    uint32_t first_;
    char* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t used_ = 0;
};

}  // namespace rt
