#pragma once

#include "mainwindow/browser.h"
#include "platform/voice_command.h"
#include "platform/window_system.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qmk {

// The two voice menus of the main window and their number lists: "commands", "slider 3",
// "program 4" and the numbers said in an open selector menu. The action scripts type keys into
// the window; `keys` plays the window's selector menus for those keys.
class SpokenControls {
public:
    SpokenControls(VoiceCommand& voice, Browser& browser, std::function<void(int)> setSlider)
        : voice_(voice), browser_(browser), setSlider_(std::move(setSlider)) {}

    // Start-up: both menus, the window commands, the slider numbers; the window menu active.
    void registerWindowCommands();
    void setNumbering(bool on) { numbering_ = on; }
    bool numbering() const { return numbering_; }
    // After a selector list was built (numbering only): its number list and its command.
    void selectorBuilt(SelectorKind kind);
    // The user (or a script's Alt key) opened a selector menu.
    void openSelector(SelectorKind kind);
    // Dragon recognised one of the window's commands.
    void recognised(int identifier, const std::string& words);
    // Keys typed into the window by a script: Alt+r, Alt+s, Alt+g open a selector menu; down,
    // up and enter move in it and pick.
    void keys(const std::vector<KeyStroke>& strokes);

    int windowMenu() const { return windowMenu_; }
    int numberedMenu() const { return numberedMenu_; }

private:
    Selector& entries(SelectorKind kind);
    void pick(SelectorKind kind, int entry);
    void registerAllGroupsAgain();

    VoiceCommand& voice_;
    Browser& browser_;
    std::function<void(int)> setSlider_;
    bool numbering_ = true;
    int windowMenu_ = 0;
    int numberedMenu_ = 0;
    // The selector menu open under the keys, and the entry the keys stand on (-1: none yet).
    std::optional<SelectorKind> open_;
    int at_ = -1;
};

} // namespace qmk
