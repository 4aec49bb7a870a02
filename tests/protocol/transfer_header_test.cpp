// Tests of the transfer header: layout, the digits-and-blanks rule and field bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "protocol/transfer_header.h"

namespace rt {
namespace {

struct HeaderCase {
    const char* text;  // exactly 42 characters unless the case is about length
    ErrCode error;
    uint32_t size;
    int32_t date, time;
    uint32_t checksum;
};

TEST(TransferHeaderParse, Table) {
    const HeaderCase cases[] = {
        {"           0  20240131         0         0", 0, 0, 20240131, 0, 0},
        {"        1025  20231224  45296000    123456", 0, 1025, 20231224, 45296000, 123456},
        {"000000000005002024013100000000010000000590", 0, 5, 20240131, 1, 590},
        // Blanks anywhere in a field are ignored: the digits are read as one number.
        {"1 2         3 2         1  0       0 0 0 0", 0, 12, 32, 10, 0},
        {"                                          ", 0, 0, 0, 0, 0},
        {"  4294967295         0         0         0", 0, 4294967295u, 0, 0, 0},
        {"  4294967296         0         0         0", kErrTransUp, 0, 0, 0, 0},
        {"           12147483648         0         0", kErrTransUp, 0, 0, 0, 0},
        {"           1         02147483648         0", kErrTransUp, 0, 0, 0, 0},
        {"           1         0         04294967295", 0, 1, 0, 0, 4294967295u},
        {"           1         0         04294967296", kErrTransUp, 0, 0, 0, 0},
        {"Error #175.Permission Denied              ", kErrTransUp, 0, 0, 0, 0},
        {"          -1  20240131         0         0", kErrTransUp, 0, 0, 0, 0},
        {"          +1  20240131         0         0", kErrTransUp, 0, 0, 0, 0},
        {"\t          1  20240131         0         0", kErrTransUp, 0, 0, 0, 0},
        {"           1  20240131         0        0\n", kErrTransUp, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(std::strlen(c.text), 42u) << c.text;
        TransferHeader h = ParseTransferHeader(c.text, 42);
        EXPECT_EQ(h.error, c.error) << '"' << c.text << '"';
        if (c.error != 0) continue;
        EXPECT_EQ(h.size, c.size) << c.text;
        EXPECT_EQ(h.date, c.date) << c.text;
        EXPECT_EQ(h.time, c.time) << c.text;
        EXPECT_EQ(h.checksum, c.checksum) << c.text;
    }
}

TEST(TransferHeaderParse, ShortInputIsRefusedWithoutReadingPastIt) {
    // Exactly 41 bytes on the heap, no terminator behind them: a read of the 42nd byte is caught by
    // the address sanitizer.
    std::unique_ptr<char[]> exact(new char[41]);
    std::memset(exact.get(), ' ', 41);
    EXPECT_EQ(ParseTransferHeader(exact.get(), 41).error, kErrTransUp);
    EXPECT_EQ(ParseTransferHeader(nullptr, 0).error, kErrTransUp);
    // Bytes after the header do not matter.
    std::string longer = std::string(42, ' ') + "content";
    EXPECT_EQ(ParseTransferHeader(longer.data(), static_cast<uint32_t>(longer.size())).error, 0);
}

TEST(TransferHeaderFormat, RoundTrip) {
    const TransferHeader values[] = {
        {0, 0, 0, 0, 0},
        {0, 1025, 20240229, 86399000, 2147483647},
        {0, 4294967295u, 99991231, 2147483647, 4294967295u},
        {0, 67108864, 19700101, 1000, 17},
    };
    for (const auto& v : values) {
        char out[kTransferHeaderSize];
        ASSERT_EQ(FormatTransferHeader(v, out), 0);
        EXPECT_TRUE(AllDigitsOrBlanks(out, kTransferHeaderSize));
        TransferHeader back = ParseTransferHeader(out, kTransferHeaderSize);
        EXPECT_EQ(back.error, 0);
        EXPECT_EQ(back.size, v.size);
        EXPECT_EQ(back.date, v.date);
        EXPECT_EQ(back.time, v.time);
        EXPECT_EQ(back.checksum, v.checksum);
    }
}

TEST(TransferHeaderFormat, RightAlignedFieldsAtTheirOffsets) {
    char out[kTransferHeaderSize];
    ASSERT_EQ(FormatTransferHeader({0, 3, 20240131, 45, 590}, out), 0);
    EXPECT_EQ(std::string(out, 42), "           3  20240131        45       590");
}

TEST(TransferHeaderFormat, NegativeDateOrTimeRefused) {
    char out[kTransferHeaderSize];
    EXPECT_EQ(FormatTransferHeader({0, 3, -1, 0, 0}, out), kErrBadInput);
    EXPECT_EQ(FormatTransferHeader({0, 3, 20240101, -5, 0}, out), kErrBadInput);
}

}  // namespace
}  // namespace rt
