// Pieces of a fuzz input handed to the HTTP readers as a socket would, and a sink that counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "net/http_response.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace fuzz {

// Hands the input over in pieces whose sizes come from the input's first byte.
class PieceSource final : public rt::ByteSource {
public:
    PieceSource(const uint8_t* data, size_t size, size_t step) : data_(data), size_(size), step_(step) {}
    rt::ErrCode Read(char* dst, uint32_t cap, uint32_t* got) override {
        *got = 0;
        if (at_ >= size_) return rt::kErrNetAccess;  // the peer went away
        size_t n = size_ - at_ < step_ ? size_ - at_ : step_;
        if (n > cap) n = cap;
        std::memcpy(dst, data_ + at_, n);
        at_ += n;
        *got = static_cast<uint32_t>(n);
        return 0;
    }
private:
    const uint8_t* data_;
    size_t size_, step_, at_ = 0;
};

class CountingSink final : public rt::BodySink {
public:
    rt::ErrCode Write(const char*, uint32_t n) override {
        total += n;
        return 0;
    }
    uint64_t total = 0;
};

}  // namespace fuzz
