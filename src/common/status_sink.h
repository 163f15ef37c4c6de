#pragma once

#include <string>

namespace qmk {

// The two status labels of the main window (progress and counts), without the window.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void setProgress(const std::string& text) = 0;
    virtual void setCount(const std::string& text) = 0;
    // Lets the window repaint during long work; headless sinks ignore it.
    virtual void repaint() {}
};

class NullStatus final : public StatusSink {
public:
    void setProgress(const std::string&) override {}
    void setCount(const std::string&) override {}
};

} // namespace qmk
