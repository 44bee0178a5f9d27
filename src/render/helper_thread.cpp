#include "render/helper_thread.h"

namespace volumix {

HelperThread::HelperThread() : thread_([this] { serve(); }) {}

HelperThread::~HelperThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void HelperThread::post(Job job, void* argument) {
    {
        std::lock_guard lock(mutex_);
        job_ = job;
        argument_ = argument;
        pending_ = true;
    }
    wake_.notify_one();
}

void HelperThread::waitForJob() {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return !pending_; });
}

void HelperThread::serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return pending_ || stopping_; });
        if (pending_) {
            const Job job = job_;
            void* const argument = argument_;
            lock.unlock();
            job(argument);
            lock.lock();
            pending_ = false;
            finished_.notify_one();
        } else {
            return;
        }
    }
}

}  // namespace volumix
