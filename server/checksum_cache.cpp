// The checksum cache of published files.
#include "server/checksum_cache.h"

#include <errno.h>
#include <unistd.h>

#include <ctime>
#include <string>

#include "protocol/checksum.h"

namespace rt {
namespace {

constexpr size_t kReadBlock = 65536;

int64_t Nanoseconds(const struct timespec& t) {
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Sums size bytes of fd from offset 0; false when they cannot all be read.
bool SumFile(int fd, uint64_t size, uint32_t* out) {
    ChecksumState sum;
    std::string buffer(kReadBlock, '\0');
    uint64_t done = 0;
    while (done < size) {
        const size_t want = size - done < kReadBlock ? static_cast<size_t>(size - done) : kReadBlock;
        const ssize_t got = pread(fd, buffer.data(), want, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        ChecksumFeed(&sum, buffer.data(), static_cast<uint32_t>(got));
        done += static_cast<uint64_t>(got);
    }
    *out = sum.sum;
    return true;
}

}  // namespace

FileIdentity FileIdentity::Of(const struct stat& st) {
    FileIdentity k;
    k.device = static_cast<uint64_t>(st.st_dev);
    k.inode = static_cast<uint64_t>(st.st_ino);
    k.size = static_cast<uint64_t>(st.st_size);
    k.modified = Nanoseconds(st.st_mtim);
    k.changed = Nanoseconds(st.st_ctim);
    return k;
}

size_t ChecksumCache::IdentityHash::operator()(const FileIdentity& k) const {
    uint64_t h = k.device * 0x9E3779B97F4A7C15ull;
    for (uint64_t v : {k.inode, k.size, static_cast<uint64_t>(k.modified), static_cast<uint64_t>(k.changed)}) {
        h = (h ^ v) * 0x100000001B3ull;
    }
    return static_cast<size_t>(h ^ (h >> 29));
}

ChecksumCache::ChecksumCache(size_t capacity, int settleSeconds)
    : capacity_(capacity ? capacity : 1), settleSeconds_(settleSeconds) {}

bool ChecksumCache::Find(const FileIdentity& key, uint32_t* out) {
    const auto it = entries_.find(key);
    if (it == entries_.end()) return false;
    order_.splice(order_.begin(), order_, it->second.place);
    *out = it->second.checksum;
    return true;
}

void ChecksumCache::Keep(const FileIdentity& key, uint32_t checksum) {
    if (entries_.count(key)) return;
    if (entries_.size() >= capacity_) {
        entries_.erase(order_.back());
        order_.pop_back();
    }
    order_.push_front(key);
    entries_.emplace(key, Entry{checksum, order_.begin()});
}

ErrCode ChecksumCache::Checksum(int fd, const struct stat& st, uint32_t* out) {
    const FileIdentity key = FileIdentity::Of(st);
    std::shared_ptr<Flight> flight;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (Find(key, out)) return kOk;
        const auto it = flights_.find(key);
        if (it != flights_.end()) {
            const std::shared_ptr<Flight> other = it->second;
            landed_.wait(lock, [&] { return other->done; });
            if (other->usable) {
                *out = other->sum;
                return kOk;
            }
            // It changed while it was read: this request reads it on its own.
        } else {
            flight = std::make_shared<Flight>();
            flights_.emplace(key, flight);
        }
        ++reads_;
    }
    uint32_t sum = 0;
    const bool read = SumFile(fd, key.size, &sum);
    // A file that changed while it was read has no one checksum to keep or share.
    struct stat after;
    const bool unchanged = read && fstat(fd, &after) == 0 && FileIdentity::Of(after) == key;
    const bool settled = std::time(nullptr) - st.st_ctim.tv_sec >= settleSeconds_;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (unchanged && settled) Keep(key, sum);
        if (flight) {
            flight->done = true;
            flight->usable = unchanged;
            flight->sum = sum;
            flights_.erase(key);
        }
    }
    if (flight) landed_.notify_all();
    if (!read) return kErrFileNotFound;
    *out = sum;
    return kOk;
}

uint64_t ChecksumCache::ReadCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reads_;
}

ChecksumCache& SharedChecksumCache() {
    static ChecksumCache cache(8192, 3);
    return cache;
}

}  // namespace rt
