// The checksums of published files, kept by file identity so that a file is read to sum it once,
// not on every request.
#pragma once

#include <sys/stat.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "runtime/errcode.h"

namespace rt {

// What a cached checksum is valid for: the file (device and inode), its size, and its
// modification and status-change times to the nanosecond. Writing a file changes its status-change
// time even when the modification time is put back afterwards, so a rewritten file never matches
// its old entry.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modified = 0;  // ns since 1970
    int64_t changed = 0;   // ns since 1970

    static FileIdentity Of(const struct stat& st);
    bool operator==(const FileIdentity&) const = default;
};

// A bounded, thread-safe cache of checksums (least recently used entries leave first). Requests
// for a file that another request is summing wait for that sum instead of reading it again.
class ChecksumCache {
public:
    // capacity: entries kept. settleSeconds: a file changed less than this long ago is summed
    // but not kept, since file systems stamp times in coarse ticks (a second or two on some), and
    // a file written twice within one tick, or replaced by another that takes over its inode,
    // would keep all its stamps.
    ChecksumCache(size_t capacity, int settleSeconds);

    // The checksum of the content of the open regular file fd, whose status is st (from fstat),
    // read from its start; the file position is left anywhere. kErrFileNotFound when the file
    // cannot be read or ends before st.st_size bytes.
    ErrCode Checksum(int fd, const struct stat& st, uint32_t* out);

    // How many times a file was read to sum it (for tests and diagnostics).
    uint64_t ReadCount() const;

private:
    struct IdentityHash {
        size_t operator()(const FileIdentity& k) const;
    };
    using Order = std::list<FileIdentity>;  // most recently used first
    struct Entry {
        uint32_t checksum;
        Order::iterator place;
    };
    // A sum being read; `usable` when the file did not change meanwhile.
    struct Flight {
        bool done = false;
        bool usable = false;
        uint32_t sum = 0;
    };

    // Both with mutex_ held.
    bool Find(const FileIdentity& key, uint32_t* out);
    void Keep(const FileIdentity& key, uint32_t checksum);

    const size_t capacity_;
    const int settleSeconds_;
    mutable std::mutex mutex_;
    Order order_;
    std::unordered_map<FileIdentity, Entry, IdentityHash> entries_;
    std::unordered_map<FileIdentity, std::shared_ptr<Flight>, IdentityHash> flights_;
    std::condition_variable landed_;
    uint64_t reads_ = 0;
};

// The cache the server's answers use.
ChecksumCache& SharedChecksumCache();

}  // namespace rt
