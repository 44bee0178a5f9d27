#pragma once

#include <cstdint>

namespace volumix {

// A millisecond clock that wraps at 2^32, like the platform's timeGetTime.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t milliseconds() = 0;
    virtual void sleep(uint32_t milliseconds) = 0;
};

// Dispatches at most one waiting window message; false when none waited.
class MessagePump {
public:
    virtual ~MessagePump() = default;
    virtual bool dispatchOne() = 0;
};

// What a run does between frames.
class RunPacing {
public:
    virtual ~RunPacing() = default;
    virtual void endOfFrame() = 0;
};

// The command line: no wait, nothing to pump.
class NoPacing : public RunPacing {
public:
    void endOfFrame() override {}
};

// The window: frames end at least 20 ms apart (the first does not wait), and
// waiting messages are dispatched meanwhile, one per turn, so the window
// stays alive and "Arrêter" can be clicked.
class IntervalPacing : public RunPacing {
public:
    static constexpr uint32_t FrameInterval = 20;

    IntervalPacing(Clock& clock, MessagePump& pump) : clock_(clock), pump_(pump) {}
    void endOfFrame() override;

private:
    Clock& clock_;
    MessagePump& pump_;
    uint32_t lastFrameTime_ = 0;
};

// The system's steady clock and sleep.
class SystemClock : public Clock {
public:
    uint32_t milliseconds() override;
    void sleep(uint32_t milliseconds) override;
};

}  // namespace volumix
