// A bounded pool of threads that compute the server's answers away from its event loop, so that a
// long folder walk or a first checksum of a big file holds one thread, not every connection.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/answers.h"
#include "server/fleet_store.h"
#include "server/server_config.h"

namespace rt {

class AnswerWorkers {
public:
    struct Done {
        uint64_t id;
        Answer answer;
    };

    // One request to answer: an updater's query (recorded in the fleet store when the config has
    // one), or the fleet page in fleetFormat.
    struct Request {
        std::string query;
        std::string fleetFormat;
        std::string authorization;
        std::string peer;
        DesktopReport report;
    };

    // Starts `threads` threads (at least one) that answer queries with HandleQuery(config, ...).
    // After each answer one byte is written to wakeFd, a non-blocking pipe the event loop polls
    // (a full pipe wakes it already). config must outlive the workers; log (may be null) hears
    // why the fleet page could not be made.
    AnswerWorkers(const ServerConfig& config, int threads, int wakeFd, FILE* log = nullptr);
    // Stops: each thread finishes the answer it is computing; queries still waiting are dropped.
    ~AnswerWorkers();
    AnswerWorkers(const AnswerWorkers&) = delete;
    AnswerWorkers& operator=(const AnswerWorkers&) = delete;

    // Queues a query; the queue holds at most one query per open connection, which the event
    // loop bounds.
    void Submit(uint64_t id, Request request);
    // The answers finished since the last call.
    std::vector<Done> TakeDone();

private:
    struct Job {
        uint64_t id;
        Request request;
    };
    void Run();

    const ServerConfig& config_;
    const int wakeFd_;
    FILE* const log_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Job> jobs_;
    std::vector<Done> done_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace rt
