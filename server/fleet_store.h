// The fleet store: every request the server answers, kept in one SQLite file (WAL, a busy
// timeout) that the standalone server's workers and concurrent CGI processes share, and the last
// state of each desktop and published folder.
//
// Recording never stops an answer: a store that is missing, locked for longer than the timeout,
// full or damaged records nothing, and the log says why (once per cause and minute). Passwords
// are never stored. Pruning keeps kKeepEventDays days of events and the last state of every
// desktop seen within kKeepDesktopDays days.
#pragma once

#include <cstdint>
#include <cstdio>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "runtime/errcode.h"

struct sqlite3;
struct sqlite3_stmt;

namespace rt {

inline constexpr int kStoreBusyMs = 2000;
// Records waiting for the background writer; beyond this they are dropped (and the log says so).
inline constexpr size_t kMaxWaitingRecords = 65536;
inline constexpr int64_t kKeepEventDays = 30;
inline constexpr int64_t kKeepDesktopDays = 365;

// What a desktop told about itself in its request headers, each validated: a value that does not
// read is left out, never trusted.
struct DesktopReport {
    std::string machine;     // decoded, UTF-8, at most kMaxMachineName bytes, no controls
    std::string version;     // printable ASCII, at most 32 bytes
    int previousExit = -1;   // 0..65535, -1 when not told
    std::string list;        // ListDigest, empty when not told
};
// Takes one request header field into report when it is one of the desktop's.
void TakeReportHeader(std::string_view name, std::string_view value, DesktopReport* report);

// One answered request.
struct RequestRecord {
    int64_t at = 0;        // seconds since 1970, the server's clock
    std::string address;   // the client's address
    std::string query;     // the request's query; only its user, path and kind are kept
    ErrCode code = 0;      // 0, or the code of the error answer
    DesktopReport report;
};

// The last state of one desktop (machine name, else address) and published folder.
struct DesktopRow {
    std::string desktop, machine, address, user, path, version, list;
    int previousExit = -1;
    int64_t firstSeen = 0, lastSeen = 0, requests = 0;
};

class FleetStore {
public:
    // The store at path (created when missing); log receives why a request was not recorded.
    FleetStore(std::string path, FILE* log);
    ~FleetStore();
    FleetStore(const FleetStore&) = delete;
    FleetStore& operator=(const FleetStore&) = delete;

    // Records one request; safe from several threads. With a background writer it only queues
    // the record (true); else it writes it at once: false when it was not recorded (logged).
    bool Record(const RequestRecord& record);
    // From now on a thread of the store's own writes what Record queues, many records a
    // transaction, so that no answer waits for the store (the standalone server). The destructor
    // writes what is still queued.
    void StartBackground();
    // Every desktop's last state. kErrFileNotFound or kErrDeviceIo with *why saying what failed.
    ErrCode ReadDesktops(std::vector<DesktopRow>* rows, std::string* why);
    // How many events are kept (for the benchmark and the tests); -1 when the store cannot say.
    int64_t EventCount();

private:
    bool Write(const std::vector<RequestRecord>& records);
    bool WriteOne(const RequestRecord& record);
    void WriterLoop();
    bool Open(std::string* why);
    void Close();
    void Problem(const std::string& why);

    const std::string path_;
    FILE* const log_;
    std::mutex mutex_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* event_ = nullptr;
    sqlite3_stmt* desktop_ = nullptr;
    std::string lastProblem_;
    int64_t lastProblemAt_ = 0;
    // The background writer.
    std::mutex queueMutex_;
    std::condition_variable queued_;
    std::vector<RequestRecord> queue_;
    size_t dropped_ = 0;
    bool stopping_ = false;
    std::thread writer_;
};

struct ServerConfig;
// Records an answered updater request in config's store, when it keeps one, at the server's time.
void RecordAnswered(const ServerConfig& config, const std::string& query, const std::string& peer, ErrCode code,
                    const DesktopReport& report);

}  // namespace rt
