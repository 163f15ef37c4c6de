#include "platform/window_system.h"

#include "common/text.h"

#include <cstdlib>

namespace qmk {

namespace {

struct Modifiers {
    bool shift = false, control = false, alt = false;
};

// Reads one SendKeys group (the whole string, or the inside of parentheses) into `out`.
bool parseGroup(std::string_view keys, std::size_t& at, bool nested, Modifiers held,
                std::vector<KeyStroke>& out) {
    Modifiers next = held;
    auto press = [&](std::string key, int times) {
        for (int i = 0; i < times; ++i)
            out.push_back({key, next.shift, next.control, next.alt});
        next = held;
    };
    while (at < keys.size()) {
        const char c = keys[at++];
        switch (c) {
        case '+':
            next.shift = true;
            break;
        case '^':
            next.control = true;
            break;
        case '%':
            next.alt = true;
            break;
        case '~':
            press("enter", 1);
            break;
        case '(': {
            const Modifiers inner = next;
            next = held;
            if (!parseGroup(keys, at, true, inner, out))
                return false;
            break;
        }
        case ')':
            return nested;
        case '{': {
            // "{}}" and "{{}" name the braces themselves.
            const auto close = keys.find('}', at + 1);
            if (close == std::string_view::npos)
                return false;
            std::string inside(keys.substr(at, close - at));
            at = close + 1;
            int times = 1;
            if (const auto blank = inside.rfind(' '); blank != std::string::npos && blank > 0) {
                const auto count = inside.substr(blank + 1);
                if (!count.empty() && count.find_first_not_of("0123456789") == std::string::npos) {
                    times = std::atoi(count.c_str());
                    inside.resize(blank);
                }
            }
            press(inside.size() == 1 ? inside : lower(inside), times);
            break;
        }
        case '}':
            return false;
        default:
            press(std::string(1, c), 1);
            break;
        }
    }
    return !nested;
}

} // namespace

std::optional<std::vector<KeyStroke>> parseSendKeys(std::string_view keys) {
    std::vector<KeyStroke> strokes;
    std::size_t at = 0;
    if (!parseGroup(keys, at, false, {}, strokes))
        return std::nullopt;
    return strokes;
}

SimulatedWindows::SimulatedWindows() {
    const char* title = std::getenv("QUILLMARK10_FOREGROUND_TITLE");
    const char* program = std::getenv("QUILLMARK10_FOREGROUND_PROGRAM");
    if ((title && *title) || (program && *program))
        front_ = open({0, "SimulatedForeground", title ? title : "", program ? program : ""});
}

WindowHandle SimulatedWindows::open(WindowInfo window, KeyHandler onKeys) {
    window.handle = next_++;
    const auto handle = window.handle;
    windows_[handle] = {std::move(window), std::move(onKeys), {}};
    if (!front_)
        front_ = handle;
    return handle;
}

void SimulatedWindows::close(WindowHandle handle) {
    windows_.erase(handle);
    if (front_ == handle)
        front_ = 0;
}

const std::vector<std::string>& SimulatedWindows::typedInto(WindowHandle handle) const {
    static const std::vector<std::string> none;
    const auto found = windows_.find(handle);
    return found == windows_.end() ? none : found->second.typed;
}

std::optional<WindowInfo> SimulatedWindows::findByClass(const std::string& className) {
    for (const auto& [handle, open] : windows_)
        if (open.info.className == className)
            return open.info;
    return std::nullopt;
}

std::optional<WindowInfo> SimulatedWindows::findByTitle(const std::string& title) {
    for (const auto& [handle, open] : windows_)
        if (lower(open.info.title) == lower(title))
            return open.info;
    return std::nullopt;
}

std::optional<WindowInfo> SimulatedWindows::window(WindowHandle handle) {
    const auto found = windows_.find(handle);
    if (found == windows_.end())
        return std::nullopt;
    return found->second.info;
}

bool SimulatedWindows::bringToFront(WindowHandle handle) {
    if (!windows_.contains(handle))
        return false;
    front_ = handle;
    return true;
}

std::optional<WindowInfo> SimulatedWindows::foreground() {
    return window(front_);
}

bool SimulatedWindows::sendKeys(const std::string& keys) {
    const auto strokes = parseSendKeys(keys);
    const auto found = windows_.find(front_);
    if (!strokes || found == windows_.end())
        return false;
    found->second.typed.push_back(keys);
    // The handler may close the window; call a copy.
    if (auto handler = found->second.onKeys)
        handler(*strokes);
    return true;
}

void SimulatedWindows::frontOwnWindow(KeyHandler onKeys) {
    bringToFront(open({0, "Quillmark10", "Quillmark10", "quillmark10"}, std::move(onKeys)));
}

} // namespace qmk
