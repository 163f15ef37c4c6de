#pragma once

#include "common/task.h"

#include <chrono>
#include <coroutine>
#include <functional>
#include <vector>

namespace qmk {

// Waiting without blocking: a pause hands the rest of the work to the loop, which handles what
// arrives meanwhile (window messages, Dragon's events) and goes on with it afterwards.
class MessageLoop {
public:
    virtual ~MessageLoop() = default;
    // Runs `then` once `delay` has passed. A loop that may block (no window to keep answering)
    // waits in place and returns false without running `then`: its caller goes on at once. A
    // window's loop returns true and runs `then` from its event loop.
    bool defer(std::chrono::milliseconds delay, std::function<void()> then);
    // Whether some work waits to go on: input that arrives meanwhile is refused.
    bool paused() const { return paused_ > 0; }

protected:
    virtual bool later(std::chrono::milliseconds delay, std::function<void()> then) = 0;

private:
    int paused_ = 0;
};

// `co_await pause(loop, delay)`: goes on after `delay`. (The await_ names are the language's.)
// NOLINTBEGIN(readability-identifier-naming)
struct Pause {
    MessageLoop& loop;
    std::chrono::milliseconds delay;
    bool await_ready() const noexcept { return false; }
    bool await_suspend(std::coroutine_handle<> paused) {
        return loop.defer(delay, [paused] { paused.resume(); });
    }
    void await_resume() const noexcept {}
};
// NOLINTEND(readability-identifier-naming)
inline Pause pause(MessageLoop& loop, std::chrono::milliseconds delay) {
    return {loop, delay};
}

// Goes on once `done` turns true, true then; false when `bound` passed first. `done` is asked
// after what arrived meanwhile was handled, at least once.
Task<bool> waitUntil(MessageLoop& loop, std::chrono::milliseconds bound,
                     std::function<bool()> done);

// The loop that waits in place: sleeps in short slices and runs the event sources between them.
class PollingLoop final : public MessageLoop {
public:
    void addSource(std::function<void()> pump) { sources_.push_back(std::move(pump)); }

protected:
    bool later(std::chrono::milliseconds delay, std::function<void()> then) override;

private:
    std::vector<std::function<void()>> sources_;
};

} // namespace qmk
