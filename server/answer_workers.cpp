// The answer threads of the standalone server.
#include "server/answer_workers.h"

#include <errno.h>
#include <unistd.h>

#include <utility>

#include "server/fleet_page.h"

namespace rt {

AnswerWorkers::AnswerWorkers(const ServerConfig& config, int threads, int wakeFd, FILE* log)
    : config_(config), wakeFd_(wakeFd), log_(log) {
    if (threads < 1) threads = 1;
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Run(); });
}

AnswerWorkers::~AnswerWorkers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    ready_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void AnswerWorkers::Submit(uint64_t id, Request request) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(Job{id, std::move(request)});
    }
    ready_.notify_one();
}

std::vector<AnswerWorkers::Done> AnswerWorkers::TakeDone() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Done> out = std::move(done_);
    done_.clear();
    return out;
}

void AnswerWorkers::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        const Request& r = job.request;
        Answer answer;
        if (r.fleetFormat.empty()) {
            answer = HandleQuery(config_, r.query);
            RecordAnswered(config_, r.query, r.peer, answer.code, r.report);
        } else {
            answer = FleetPageAnswer(config_, r.fleetFormat, r.query, r.authorization, log_);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) return;
            done_.push_back(Done{job.id, std::move(answer)});
        }
        const char one = 1;
        while (write(wakeFd_, &one, 1) < 0 && errno == EINTR) {
        }
    }
}

}  // namespace rt
