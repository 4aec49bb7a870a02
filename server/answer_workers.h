// A bounded pool of threads that compute the server's answers away from its event loop, so that a
// long folder walk or a first checksum of a big file holds one thread, not every connection.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/answers.h"
#include "server/server_config.h"

namespace rt {

class AnswerWorkers {
public:
    struct Done {
        uint64_t id;
        Answer answer;
    };

    // Starts `threads` threads (at least one) that answer queries with HandleQuery(config, ...).
    // After each answer one byte is written to wakeFd, a non-blocking pipe the event loop polls
    // (a full pipe wakes it already). config must outlive the workers.
    AnswerWorkers(const ServerConfig& config, int threads, int wakeFd);
    // Stops: each thread finishes the answer it is computing; queries still waiting are dropped.
    ~AnswerWorkers();
    AnswerWorkers(const AnswerWorkers&) = delete;
    AnswerWorkers& operator=(const AnswerWorkers&) = delete;

    // Queues a query; the queue holds at most one query per open connection, which the event
    // loop bounds.
    void Submit(uint64_t id, std::string query);
    // The answers finished since the last call.
    std::vector<Done> TakeDone();

private:
    struct Job {
        uint64_t id;
        std::string query;
    };
    void Run();

    const ServerConfig& config_;
    const int wakeFd_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Job> jobs_;
    std::vector<Done> done_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace rt
