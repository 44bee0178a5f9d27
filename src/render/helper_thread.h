#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace volumix {

// A second thread kept for the life of its owner. Each call hands it one job
// and runs another on the calling thread, then waits for both: starting a
// thread per frame would cost a good part of what a small frame takes.
class HelperThread {
public:
    // Throws std::system_error when no thread can be started.
    HelperThread();
    ~HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Runs `helperJob` on the helper while `ownJob` runs here; returns when
    // both are done. The jobs must not throw.
    template <class HelperJob, class OwnJob>
    void runAlongside(HelperJob& helperJob, OwnJob&& ownJob) {
        post(&invoke<HelperJob>, &helperJob);
        ownJob();
        waitForJob();
    }

private:
    using Job = void (*)(void*);
    template <class F>
    static void invoke(void* f) {
        (*static_cast<F*>(f))();
    }
    void post(Job job, void* argument);
    void waitForJob();
    void serve();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    Job job_ = nullptr;
    void* argument_ = nullptr;
    bool pending_ = false;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace volumix
