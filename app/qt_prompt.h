#pragma once

#include "common/prompt.h"

class QWidget;

namespace qmk::app {

// The program's message boxes and questions as real dialogs with the exact captions and buttons.
class QtPrompt final : public Prompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(const std::string& text, const std::string& title) override;
    void notify(Kind kind, const std::string& text, const std::string& title) override;
    Answer ask(const std::string& text, const std::string& title, Buttons buttons) override;
    std::size_t choose(const std::string& text, const std::string& title,
                       const std::vector<std::string>& buttons) override;
    Choice chooseWithCheck(const std::string& text, const std::string& title,
                           const std::vector<std::string>& buttons,
                           const std::string& checkCaption) override;
    std::optional<std::string> input(const std::string& text, const std::string& title,
                                     const std::string& defaultAnswer) override;

private:
    QWidget* parent_;
};

} // namespace qmk::app
