// Fuzz target: random server answers through the HTTP response reader, cut into random pieces.
#include <cstddef>
#include <cstdint>

#include "net/http_response.h"
#include "runtime/context.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace {

// Hands the input over in pieces whose sizes come from the input's first byte.
class PieceSource final : public rt::ByteSource {
public:
    PieceSource(const uint8_t* data, size_t size, size_t step) : data_(data), size_(size), step_(step) {}
    rt::StrRef Next() override {
        if (at_ >= size_) return rt::StrErr(rt::kErrNetAccess);  // the peer went away
        size_t n = size_ - at_ < step_ ? size_ - at_ : step_;
        rt::StrRef piece = rt::PoolCopy(rt::StrRef{reinterpret_cast<const char*>(data_ + at_), static_cast<uint16_t>(n)});
        at_ += n;
        return piece;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = rt::ContextInit() == 0;
    if (!ready || size < 1) return 0;
    size_t step = 1 + data[0] % rt::kMaxSegment;
    uint16_t mark = rt::PoolMark();
    PieceSource source(data + 1, size - 1, step);
    CountingSink sink;
    rt::ReadResponse(source, sink);
    // The body can never be longer than what was received.
    if (sink.total > size) __builtin_trap();
    rt::PoolRelease(mark);
    return 0;
}
