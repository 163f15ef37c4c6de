#pragma once

#include <chrono>
#include <functional>
#include <vector>

namespace qmk {

// Waiting without blocking: while a wait runs, window messages and Dragon's events are handled,
// and they may end it early.
class MessageLoop {
public:
    virtual ~MessageLoop() = default;
    // Handles what arrives for `duration`, or until `done` turns true.
    virtual void wait(std::chrono::milliseconds duration,
                      const std::function<bool()>& done = {}) = 0;
};

// The headless loop: sleeps in short slices and runs the event sources between them.
class PollingLoop final : public MessageLoop {
public:
    void addSource(std::function<void()> pump) { sources_.push_back(std::move(pump)); }
    void wait(std::chrono::milliseconds duration, const std::function<bool()>& done = {}) override;

private:
    std::vector<std::function<void()>> sources_;
};

} // namespace qmk
