#pragma once

#include "common/message_loop.h"

#include <QObject>
#include <QTimer>

namespace qmk::app {

// The window's own event loop as the place where paused work goes on: a pause is a timer, and
// the window answers meanwhile. Timers end with `owner`, so nothing resumes into a closed window.
class WindowLoop final : public MessageLoop {
public:
    explicit WindowLoop(QObject& owner) : owner_(owner) {}

protected:
    bool later(std::chrono::milliseconds delay, std::function<void()> then) override {
        QTimer::singleShot(delay, &owner_, std::move(then));
        return true;
    }

private:
    QObject& owner_;
};

} // namespace qmk::app
