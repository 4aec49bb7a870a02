// Fuzz target: random bytes as a chunked body, handed to the chunked reader in random pieces.
#include <cstddef>
#include <cstdint>

#include "net/http_response.h"
#include "runtime/context.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace {

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
    const size_t step = 1 + data[0] % rt::kMaxSegment;
    const uint16_t mark = rt::PoolMark();
    PieceSource source(data + 1, size - 1, step);
    rt::ResponseBuffer buffer;
    CountingSink sink;
    const rt::ErrCode err = rt::ReadChunkedBody(source, buffer, sink);
    // Chunk data is never more than what arrived, and a reader that says it finished has seen
    // at least the last chunk's "0" line.
    if (sink.total > size || (err == 0 && size < 4)) __builtin_trap();
    rt::PoolRelease(mark);
    if (rt::PoolMark() != mark) __builtin_trap();
    return 0;
}
