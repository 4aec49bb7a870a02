// The fleet store on SQLite.
#include "server/fleet_store.h"

#include <sqlite3.h>

#include <chrono>
#include <ctime>
#include <utility>

#include "protocol/desktop_report.h"
#include "protocol/url_query.h"
#include "server/published_path.h"
#include "server/query.h"
#include "server/server_config.h"

namespace rt {
namespace {

constexpr size_t kMaxVersion = 32;

// Made once, by the first process that finds the store without its tables.
const char kSchema[] =
    "PRAGMA journal_mode=WAL;"
    "CREATE TABLE IF NOT EXISTS events(at INTEGER NOT NULL, address TEXT, user TEXT, path TEXT,"
    " kind TEXT, code INTEGER, machine TEXT, version TEXT, previous_exit INTEGER, list TEXT);"
    "CREATE INDEX IF NOT EXISTS events_at ON events(at);"
    "CREATE TABLE IF NOT EXISTS desktops(desktop TEXT NOT NULL, path TEXT NOT NULL, machine TEXT,"
    " address TEXT, user TEXT, version TEXT, previous_exit INTEGER, list TEXT, first_seen INTEGER,"
    " last_seen INTEGER, requests INTEGER, PRIMARY KEY(desktop, path)) WITHOUT ROWID;";

const char kInsertEvent[] =
    "INSERT INTO events(at, address, user, path, kind, code, machine, version, previous_exit, list)"
    " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";
// A request without a report (an older updater, a browser) keeps what the desktop told before.
const char kUpsertDesktop[] =
    "INSERT INTO desktops VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?9, 1)"
    " ON CONFLICT(desktop, path) DO UPDATE SET machine = coalesce(excluded.machine, machine),"
    " address = excluded.address, user = excluded.user, version = coalesce(excluded.version, version),"
    " previous_exit = coalesce(excluded.previous_exit, previous_exit), list = coalesce(excluded.list, list),"
    " last_seen = excluded.last_seen, requests = requests + 1";

// Pruning runs after every this many events.
constexpr int64_t kPruneEvery = 1024;

// Bytes that do not make valid UTF-8, and controls, become '?'.
std::string CleanUtf8(std::string_view in) {
    std::string out;
    for (size_t i = 0; i < in.size();) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool good = n > 0 && i + n <= in.size() && !(n == 2 && c < 0xC2);
        for (size_t k = 1; good && k < n; ++k) good = (static_cast<unsigned char>(in[i + k]) & 0xC0) == 0x80;
        if (!good) {
            out += '?';
            ++i;
            continue;
        }
        if (n == 1 && (c < 0x20 || c == 0x7F)) {
            out += '?';
        } else {
            out.append(in.substr(i, n));
        }
        i += n;
    }
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, const char* b) {
    const std::string_view bv(b);
    if (a.size() != bv.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = bv[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

void BindText(sqlite3_stmt* s, int i, const std::string& text) {
    if (text.empty()) {
        sqlite3_bind_null(s, i);
    } else {
        sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
}

const char* KindName(RequestKind kind) {
    switch (kind) {
        case RequestKind::kStatus: return "status";
        case RequestKind::kFile: return "file";
        default: return "list";
    }
}

std::string Column(sqlite3_stmt* s, int i) {
    const unsigned char* text = sqlite3_column_text(s, i);
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

}  // namespace

void TakeReportHeader(std::string_view name, std::string_view value, DesktopReport* report) {
    value = Trim(value);
    if (SameName(name, kHeaderMachine)) {
        std::string decoded = UrlDecode(value);
        if (decoded.size() > kMaxMachineName) decoded.resize(kMaxMachineName);
        report->machine = CleanUtf8(decoded);
    } else if (SameName(name, kHeaderVersion)) {
        if (value.size() > kMaxVersion) return;
        for (char c : value)
            if (c <= 0x20 || c >= 0x7F) return;
        report->version = std::string(value);
    } else if (SameName(name, kHeaderPreviousExit)) {
        if (value.empty() || value.size() > 5 || value.find_first_not_of("0123456789") != std::string_view::npos) return;
        const int code = std::stoi(std::string(value));
        if (code <= 0xFFFF) report->previousExit = code;
    } else if (SameName(name, kHeaderList)) {
        if (IsListDigest(value)) report->list = std::string(value);
    }
}

FleetStore::FleetStore(std::string path, FILE* log) : path_(std::move(path)), log_(log) {
    // A CGI process opens one connection for one record: the memory SQLite lays out ahead for a
    // long-lived connection (its lookaside slots) and its statistics would only cost it time.
    // Before SQLite's first use; later calls are refused, harmlessly.
    sqlite3_config(SQLITE_CONFIG_LOOKASIDE, 0, 0);
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
}

FleetStore::~FleetStore() {
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        stopping_ = true;
    }
    queued_.notify_one();
    if (writer_.joinable()) writer_.join();
    Close();
}

void FleetStore::Close() {
    sqlite3_finalize(event_);
    sqlite3_finalize(desktop_);
    event_ = desktop_ = nullptr;
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool FleetStore::Open(std::string* why) {
    if (db_) return true;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db_, kStoreBusyMs);
        // The last connection to close checkpoints the WAL and removes it. Left in place, the
        // next lone connection would rebuild its index by reading all of it, and a CGI process
        // is mostly a lone connection.
        rc = sqlite3_exec(db_, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    }
    // A CGI process opens the store for one record: the schema is read, not made, when it is there.
    if (rc == SQLITE_OK && sqlite3_prepare_v2(db_, kInsertEvent, -1, &event_, nullptr) != SQLITE_OK) {
        rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(db_, kInsertEvent, -1, &event_, nullptr);
    }
    if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(db_, kUpsertDesktop, -1, &desktop_, nullptr);
    if (rc == SQLITE_OK) return true;
    *why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    Close();
    return false;
}

void FleetStore::Problem(const std::string& why) {
    if (!log_) return;
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    if (why == lastProblem_ && now - lastProblemAt_ < 60) return;
    lastProblem_ = why;
    lastProblemAt_ = now;
    std::fprintf(log_, "kelvane-server: fleet store %s: request not recorded: %s\n", path_.c_str(), why.c_str());
    std::fflush(log_);
}

bool FleetStore::Record(const RequestRecord& record) {
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (writer_.joinable()) {
            if (queue_.size() < kMaxWaitingRecords) {
                queue_.push_back(record);
                if (queue_.size() == 256) queued_.notify_one();
            } else {
                ++dropped_;
            }
            return true;
        }
    }
    return Write({record});
}

void FleetStore::StartBackground() {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (!writer_.joinable()) writer_ = std::thread([this] { WriterLoop(); });
}

void FleetStore::WriterLoop() {
    std::unique_lock<std::mutex> lock(queueMutex_);
    for (;;) {
        queued_.wait_for(lock, std::chrono::milliseconds(200), [this] { return stopping_ || queue_.size() >= 256; });
        std::vector<RequestRecord> batch;
        batch.swap(queue_);
        const size_t dropped = dropped_;
        dropped_ = 0;
        const bool last = stopping_;
        lock.unlock();
        if (dropped) {
            std::lock_guard<std::mutex> problem(mutex_);
            Problem(std::to_string(dropped) + " requests came faster than the store took them");
        }
        if (!batch.empty()) Write(batch);
        lock.lock();
        if (last && queue_.empty()) return;
    }
}

bool FleetStore::Write(const std::vector<RequestRecord>& records) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string why;
    if (!Open(&why)) {
        Problem(why);
        return false;
    }
    int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (size_t i = 0; rc == SQLITE_OK && i < records.size(); ++i) rc = WriteOne(records[i]) ? SQLITE_OK : sqlite3_errcode(db_);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return true;
    why = sqlite3_errmsg(db_);
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    // A damaged or vanished file is opened anew with the next request, which may find it mended.
    const int primary = rc & 0xFF;
    if (primary != SQLITE_BUSY && primary != SQLITE_LOCKED) Close();
    Problem(records.size() > 1 ? why + " (" + std::to_string(records.size()) + " requests)" : why);
    return false;
}

bool FleetStore::WriteOne(const RequestRecord& record) {
    ServerQuery q;
    std::string path;
    const bool parsed = ParseServerQuery(record.query, &q) == kOk && NormalizeRelative(q.path, &path) == kOk;
    const DesktopReport& r = record.report;
    sqlite3_stmt* e = event_;
    sqlite3_bind_int64(e, 1, record.at);
    BindText(e, 2, record.address);
    BindText(e, 3, parsed && q.hasUser ? q.user : std::string());
    BindText(e, 4, parsed ? path : std::string());
    sqlite3_bind_text(e, 5, parsed ? KindName(q.kind) : "bad", -1, SQLITE_STATIC);
    sqlite3_bind_int(e, 6, record.code);
    BindText(e, 7, r.machine);
    BindText(e, 8, r.version);
    if (r.previousExit >= 0) sqlite3_bind_int(e, 9, r.previousExit); else sqlite3_bind_null(e, 9);
    BindText(e, 10, r.list);
    bool good = sqlite3_step(e) == SQLITE_DONE;
    sqlite3_reset(e);
    const int64_t eventId = sqlite3_last_insert_rowid(db_);
    if (good && parsed) {
        sqlite3_stmt* d = desktop_;
        BindText(d, 1, r.machine.empty() ? record.address : r.machine);
        sqlite3_bind_text(d, 2, path.data(), static_cast<int>(path.size()), SQLITE_TRANSIENT);
        BindText(d, 3, r.machine);
        BindText(d, 4, record.address);
        BindText(d, 5, q.hasUser ? q.user : std::string());
        BindText(d, 6, r.version);
        if (r.previousExit >= 0) sqlite3_bind_int(d, 7, r.previousExit); else sqlite3_bind_null(d, 7);
        BindText(d, 8, r.list);
        sqlite3_bind_int64(d, 9, record.at);
        good = sqlite3_step(d) == SQLITE_DONE;
        sqlite3_reset(d);
    }
    if (good && eventId % kPruneEvery == 0) {
        const std::string prune = "DELETE FROM events WHERE at < " + std::to_string(record.at - kKeepEventDays * 86400) +
                                  "; DELETE FROM desktops WHERE last_seen < " +
                                  std::to_string(record.at - kKeepDesktopDays * 86400) + ";";
        good = sqlite3_exec(db_, prune.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    return good;
}

ErrCode FleetStore::ReadDesktops(std::vector<DesktopRow>* rows, std::string* why) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Open(why)) return kErrFileNotFound;
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_,
                                "SELECT desktop, machine, address, user, path, version, list, previous_exit,"
                                " first_seen, last_seen, requests FROM desktops",
                                -1, &s, nullptr);
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(s);
        if (rc != SQLITE_ROW) break;
        DesktopRow row;
        row.desktop = Column(s, 0);
        row.machine = Column(s, 1);
        row.address = Column(s, 2);
        row.user = Column(s, 3);
        row.path = Column(s, 4);
        row.version = Column(s, 5);
        row.list = Column(s, 6);
        row.previousExit = sqlite3_column_type(s, 7) == SQLITE_NULL ? -1 : sqlite3_column_int(s, 7);
        row.firstSeen = sqlite3_column_int64(s, 8);
        row.lastSeen = sqlite3_column_int64(s, 9);
        row.requests = sqlite3_column_int64(s, 10);
        rows->push_back(std::move(row));
    }
    sqlite3_finalize(s);
    if (rc == SQLITE_DONE) return kOk;
    *why = sqlite3_errmsg(db_);
    Close();
    return kErrDeviceIo;
}

int64_t FleetStore::EventCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string why;
    if (!Open(&why)) return -1;
    sqlite3_stmt* s = nullptr;
    int64_t n = -1;
    if (sqlite3_prepare_v2(db_, "SELECT count(*) FROM events", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
        n = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return n;
}

void RecordAnswered(const ServerConfig& config, const std::string& query, const std::string& peer, ErrCode code,
                    const DesktopReport& report) {
    if (!config.fleet) return;
    RequestRecord record;
    record.at = static_cast<int64_t>(std::time(nullptr));
    record.address = peer;
    record.query = query;
    record.code = code;
    record.report = report;
    config.fleet->Record(record);
}

}  // namespace rt
