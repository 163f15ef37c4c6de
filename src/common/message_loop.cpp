#include "common/message_loop.h"

#include <thread>

namespace qmk {

namespace {
constexpr std::chrono::milliseconds kSlice{10};
}

bool MessageLoop::defer(std::chrono::milliseconds delay, std::function<void()> then) {
    const bool deferred = later(delay, [this, then = std::move(then)] {
        --paused_;
        then();
    });
    if (deferred)
        ++paused_;
    return deferred;
}

Task<bool> waitUntil(MessageLoop& loop, std::chrono::milliseconds bound,
                     std::function<bool()> done) {
    const auto end = std::chrono::steady_clock::now() + bound;
    co_await pause(loop, std::chrono::milliseconds(0)); // what arrived is handled first
    while (!done()) {
        const auto left = end - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            co_return false;
        co_await pause(loop, std::min(kSlice, std::chrono::ceil<std::chrono::milliseconds>(left)));
    }
    co_return true;
}

bool PollingLoop::later(std::chrono::milliseconds delay, std::function<void()>) {
    const auto end = std::chrono::steady_clock::now() + delay;
    for (;;) {
        for (const auto& pump : sources_)
            pump();
        const auto left = end - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, kSlice));
    }
}

} // namespace qmk
