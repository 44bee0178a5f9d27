#include "platform/pacing.h"

#include <chrono>
#include <thread>

namespace volumix {

void IntervalPacing::endOfFrame() {
    uint32_t now = 0;
    uint32_t elapsed = 0;
    do {
        pump_.dispatchOne();
        now = clock_.milliseconds();
        elapsed = now - lastFrameTime_;  // unsigned: survives the clock wrapping
        clock_.sleep(elapsed < FrameInterval - 1 ? 1 : 0);
    } while (elapsed < FrameInterval);
    lastFrameTime_ = now;
}

uint32_t SystemClock::milliseconds() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void SystemClock::sleep(uint32_t milliseconds) {
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace volumix
