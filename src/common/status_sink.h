#pragma once

#include <string>

namespace qmk {

// The two status labels of the main window (progress and counts), without the window.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void setProgress(const std::string& text) = 0;
    virtual void setCount(const std::string& text) = 0;
    // Shows the labels at once, during long work on the window's thread, without handling any
    // other event meanwhile; headless sinks ignore it.
    virtual void showNow() {}
};

class NullStatus final : public StatusSink {
public:
    void setProgress(const std::string&) override {}
    void setCount(const std::string&) override {}
};

// Keeps the count label for printing; progress is not shown (a console, a tool's own file).
class CountKeeper final : public StatusSink {
public:
    void setProgress(const std::string&) override {}
    void setCount(const std::string& text) override { count_ = text; }
    const std::string& count() const { return count_; }

private:
    std::string count_;
};

} // namespace qmk
