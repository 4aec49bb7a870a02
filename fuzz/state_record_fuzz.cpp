// Fuzz target: damaged state files through the reader, a stamp and a rewrite. The stamp changes
// the last update's date and time and nothing else the file keeps, and a record written once
// reads back as written.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "runtime/context.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/whole_file.h"
#include "updater/state_record.h"

namespace {

std::string FieldOf(rt::StrRef record, uint16_t n) {
    const rt::StrRef f = rt::Field(record, ',', n);
    return f.ok() ? std::string(f.ptr, f.len) : std::string("<error>");
}

std::string FileBytes(rt::StrRef path) {
    const rt::StrRef b = rt::ReadBytes(path, 0, 0xFFFF);
    return b.ok() ? std::string(b.ptr, b.len) : std::string("<error>");
}

// Says which promise broke, for the crash report.
[[noreturn]] void Broken(const char* what, rt::StrRef before, rt::StrRef after) {
    std::fprintf(stderr, "state record: %s\nbefore [%.*s]\nafter  [%.*s]\n", what, before.ok() ? before.len : 0,
                 before.ok() ? before.ptr : "", after.ok() ? after.len : 0, after.ok() ? after.ptr : "");
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = rt::ContextInit() == 0;
    static const std::string path = "/tmp/kelvane-state-fuzz-" + std::to_string(getpid()) + ".dat";
    if (!ready || size == 0 || size > 4096) return 0;
    const rt::RunFlags flags = (data[0] & 1) ? rt::RunFlag::ProgramGiven : rt::RunFlags{0};
    const rt::StrRef where = rt::StrMake(path.data(), static_cast<uint16_t>(path.size()));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    const uint16_t mark = rt::PoolMark();
    const rt::StrRef before = rt::ReadStateRecord(flags, where);
    // A damaged file is still a record.
    if (!before.ok() || rt::FieldCount(before, ',') < rt::kStateFields) Broken("no record", before, before);
    if (rt::StampStateRecordAt(flags, where, rt::StrFromLiteral("20261207"), rt::StrFromLiteral("12:34:56")) != 0)
        Broken("stamp failed", before, before);
    const rt::StrRef after = rt::ReadStateRecord(flags, where);
    if (!after.ok()) Broken("unreadable after the stamp", before, after);
    if (FieldOf(after, rt::kStateLastDate) != "20261207" || FieldOf(after, rt::kStateLastTime) != "12:34:56")
        Broken("stamp not read back", before, after);
    // What the file keeps for this layout survives the stamp.
    const uint16_t kept = (flags & rt::RunFlag::ProgramGiven) ? 1 : 2;
    for (uint16_t n : {kept, uint16_t{3}, uint16_t{6}}) {
        if (FieldOf(after, n) != FieldOf(before, n)) Broken("a kept field changed", before, after);
    }

    // Written once, the record settles: a second rewrite leaves the same bytes.
    const std::string once = FileBytes(where);
    if (rt::WriteStateRecord(flags, after, where) != 0) Broken("rewrite failed", before, after);
    if (FileBytes(where) != once) Broken("rewrite changed the file", before, after);
    rt::PoolRelease(mark);
    return 0;
}
