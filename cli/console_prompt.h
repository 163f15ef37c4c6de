#pragma once

#include "common/prompt.h"
#include "common/status_sink.h"

#include <iosfwd>

namespace qmk::cli {

// Message boxes become lines on the error stream: the title, then the text.
class ConsolePrompt final : public Prompt {
  public:
    explicit ConsolePrompt(std::ostream& err) : err_(err) {}
    void message(const std::string& text, const std::string& title) override;

  private:
    std::ostream& err_;
};

// Keeps the count label for printing; progress is not shown on a console.
class CountKeeper final : public StatusSink {
  public:
    void setProgress(const std::string&) override {}
    void setCount(const std::string& text) override { count_ = text; }
    const std::string& count() const { return count_; }

  private:
    std::string count_;
};

// CR LF line ends as the console shows them.
std::string consoleText(const std::string& text);

} // namespace qmk::cli
