#pragma once

#include "platform/window_system.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmk {

// One command of a voice menu. With a script Dragon runs the script itself; either way the
// control reports the identifier and the words to the window.
struct VoiceMenuCommand {
    int identifier = 0;
    std::string spoken; // may name a voice list in angle brackets: "slider <slidernumbers>"
    std::string category;
    std::string description;
    std::string script;
};

// Dragon's voice-command control.
class VoiceCommand {
public:
    using Recognised = std::function<void(int identifier, const std::string& words)>;

    virtual ~VoiceCommand() = default;
    virtual bool registerClient(const std::string& site) = 0;
    // Returns the menu's number, used by the calls below.
    virtual int createMenu(const std::string& name, const std::string& title, int language,
                           const std::string& text, int flags) = 0;
    virtual void addCommand(int menu, const VoiceMenuCommand& command) = 0;
    virtual void removeCommand(int menu, int identifier) = 0;
    virtual void replaceList(int menu, const std::string& list,
                             const std::vector<std::string>& words) = 0;
    virtual void activate(int menu, bool active) = 0;
    // 0 when the legacy script is sound, else the number of its first line in error.
    virtual int checkScript(const std::string& script) = 0;
    virtual void onRecognised(Recognised handler) = 0;
};

// 0, or the first line of a legacy script that does not start with a known statement or whose
// double quotes do not pair up.
int checkLegacyScript(std::string_view script);

// The simulation: menus held here; `hear` plays the speech engine, matching the words against
// the active menus. A matched script runs its SendKeys statements into the window in front.
class SimulatedVoiceCommand final : public VoiceCommand {
public:
    explicit SimulatedVoiceCommand(WindowSystem& windows) : windows_(windows) {}

    bool registerClient(const std::string&) override { return true; }
    int createMenu(const std::string& name, const std::string& title, int language,
                   const std::string& text, int flags) override;
    void addCommand(int menu, const VoiceMenuCommand& command) override;
    void removeCommand(int menu, int identifier) override;
    void replaceList(int menu, const std::string& list,
                     const std::vector<std::string>& words) override;
    void activate(int menu, bool active) override;
    int checkScript(const std::string& script) override { return checkLegacyScript(script); }
    void onRecognised(Recognised handler) override { recognised_ = std::move(handler); }

    // What the user says; false when no active command matches.
    bool hear(const std::string& words);
    bool active(int menu) const;
    std::vector<VoiceMenuCommand> commands(int menu) const;
    std::vector<std::string> list(const std::string& name) const;

private:
    struct Menu {
        std::string name, title;
        bool active = false;
        std::vector<VoiceMenuCommand> commands;
    };
    std::optional<std::string> match(const std::string& spoken, const std::string& words) const;
    void runScript(const std::string& script, const std::string& argument);

    WindowSystem& windows_;
    std::map<int, Menu> menus_;
    std::map<std::string, std::vector<std::string>> lists_;
    Recognised recognised_;
};

} // namespace qmk
