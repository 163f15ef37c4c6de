#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmk {

using WindowHandle = std::int64_t; // 0 is no window

// A top-level window as the program sees it.
struct WindowInfo {
    WindowHandle handle = 0;
    std::string className;
    std::string title;
    std::string programFile; // the program that owns it
};

// One key press of a SendKeys string: the key and the modifiers held with it.
struct KeyStroke {
    std::string key; // a character, or a brace name as written ("end", "tab", "enter")
    bool shift = false;
    bool control = false;
    bool alt = false;
    friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// Splits a SendKeys string ("%y{end}", "{tab 2}^{end}+(^{home})") into key presses; nullopt
// when braces or parentheses do not close.
std::optional<std::vector<KeyStroke>> parseSendKeys(std::string_view keys);

// Finding windows, the window in front, and typing into a window.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // The first window with this class name (exact) or this title (exact, ignoring case).
    virtual std::optional<WindowInfo> findByClass(const std::string& className) = 0;
    virtual std::optional<WindowInfo> findByTitle(const std::string& title) = 0;
    virtual std::optional<WindowInfo> window(WindowHandle handle) = 0;
    virtual bool bringToFront(WindowHandle handle) = 0;
    virtual std::optional<WindowInfo> foreground() = 0;
    // Types the keys into the window in front; false when the string does not parse or no window
    // is in front.
    virtual bool sendKeys(const std::string& keys) = 0;
    // The program's own window comes to the front; the keys Dragon's scripts type into it reach
    // `onKeys` (on Windows the window receives them from the system itself).
    virtual void frontOwnWindow(std::function<void(const std::vector<KeyStroke>&)> onKeys) = 0;
};

// The simulation: windows live in this registry. A window may take the keys typed into it; the
// window in front at start is the one registered first, or one made from
// QUILLMARK10_FOREGROUND_TITLE and QUILLMARK10_FOREGROUND_PROGRAM.
class SimulatedWindows final : public WindowSystem {
public:
    using KeyHandler = std::function<void(const std::vector<KeyStroke>&)>;

    SimulatedWindows();

    WindowHandle open(WindowInfo window, KeyHandler onKeys = {});
    void close(WindowHandle handle);
    // The keys each window received, as typed.
    const std::vector<std::string>& typedInto(WindowHandle handle) const;

    std::optional<WindowInfo> findByClass(const std::string& className) override;
    std::optional<WindowInfo> findByTitle(const std::string& title) override;
    std::optional<WindowInfo> window(WindowHandle handle) override;
    bool bringToFront(WindowHandle handle) override;
    std::optional<WindowInfo> foreground() override;
    bool sendKeys(const std::string& keys) override;
    void frontOwnWindow(KeyHandler onKeys) override;

private:
    struct Open {
        WindowInfo info;
        KeyHandler onKeys;
        std::vector<std::string> typed;
    };
    std::map<WindowHandle, Open> windows_;
    WindowHandle next_ = 1;
    WindowHandle front_ = 0;
};

} // namespace qmk
