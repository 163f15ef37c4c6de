#include "platform/message_loop.h"

#include <thread>

namespace qmk {

void PollingLoop::wait(std::chrono::milliseconds duration, const std::function<bool()>& done) {
    constexpr std::chrono::milliseconds kSlice{10};
    const auto end = std::chrono::steady_clock::now() + duration;
    for (;;) {
        for (const auto& pump : sources_)
            pump();
        if (done && done())
            return;
        const auto left = end - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, kSlice));
    }
}

} // namespace qmk
