#include "mainwindow/spoken_controls.h"

#include "common/text.h"
#include "session/file_utilities.h"

#include <cctype>
#include <cstdlib>

namespace qmk {

namespace {

constexpr const char* kCategory = "Spoken controls";
constexpr const char* kListsFocus = "Set focus to LISTs";

std::vector<std::string> numbers(std::size_t count) {
    std::vector<std::string> out;
    for (std::size_t i = 1; i <= count; ++i)
        out.push_back(std::to_string(i));
    return out;
}

std::string pickScript(const char* alt) {
    return std::string("SendKeys \"{") + alt + "}{down \" & _arg1 & \"}{up}{enter}\"";
}

const char* listName(SelectorKind kind) {
    return kind == SelectorKind::Program ? "programnumbers"
           : kind == SelectorKind::Scope ? "statenumbers"
                                         : "groupnumbers";
}

} // namespace

void SpokenControls::registerWindowCommands() {
    windowMenu_ = voice_.createMenu("Quillmark10", "Quillmark10", 1033, "", 1);
    numberedMenu_ = voice_.createMenu("Quillmark10", "Numbered", 1033, "", 1);
    voice_.replaceList(windowMenu_, "slidernumbers", numbers(10));
    voice_.addCommand(windowMenu_, {1, "commands", kCategory, "Set focus to commands", ""});
    voice_.addCommand(windowMenu_, {2, "lists", kCategory, kListsFocus, ""});
    voice_.addCommand(windowMenu_, {3, "recently created", kCategory, kListsFocus, ""});
    voice_.addCommand(windowMenu_, {4, "recently modified", kCategory, kListsFocus, ""});
    voice_.addCommand(windowMenu_, {5, "slider <slidernumbers>", kCategory, kListsFocus, ""});
    const std::string allGroups = "SendKeys \"{Alt+g}{up}{enter}\"";
    voice_.addCommand(windowMenu_, {8, "group all groups", kCategory, kListsFocus, allGroups});
    voice_.addCommand(windowMenu_, {8, "all groups", kCategory, kListsFocus, allGroups});
    voice_.activate(windowMenu_, true);
}

Selector& SpokenControls::entries(SelectorKind kind) {
    return kind == SelectorKind::Program ? browser_.programSelector()
           : kind == SelectorKind::Scope ? browser_.scopeSelector()
                                         : browser_.groupSelector();
}

void SpokenControls::selectorBuilt(SelectorKind kind) {
    if (!numbering_)
        return;
    auto& selector = entries(kind);
    auto count = selector.entries.size();
    if (kind == SelectorKind::Group && count > 0)
        --count; // the separator has no number
    voice_.replaceList(windowMenu_, listName(kind), numbers(count));
    const int id = kind == SelectorKind::Program ? 6 : kind == SelectorKind::Scope ? 7 : 8;
    const char* word = kind == SelectorKind::Program ? "program"
                       : kind == SelectorKind::Scope ? "scope"
                                                     : "group";
    const char* alt = kind == SelectorKind::Program ? "Alt+r"
                      : kind == SelectorKind::Scope ? "Alt+s"
                                                    : "Alt+g";
    voice_.removeCommand(windowMenu_, id);
    voice_.addCommand(windowMenu_, {id, std::string(word) + " <" + listName(kind) + ">", kCategory,
                                    kListsFocus, pickScript(alt)});
    if (kind == SelectorKind::Group)
        registerAllGroupsAgain();
}

void SpokenControls::registerAllGroupsAgain() {
    const std::string allGroups = "SendKeys \"{Alt+g}{up}{enter}\"";
    voice_.addCommand(windowMenu_, {8, "group all groups", kCategory, kListsFocus, allGroups});
    voice_.addCommand(windowMenu_, {8, "all groups", kCategory, kListsFocus, allGroups});
}

void SpokenControls::openSelector(SelectorKind kind) {
    open_ = kind;
    at_ = -1;
    if (!numbering_)
        return;
    auto& selector = entries(kind);
    if (!selector.entries.empty()) {
        const auto first = trimBlanks(selector.entries[0]);
        if (!first.empty() && std::isdigit(static_cast<unsigned char>(first[0])))
            return; // numbered already
    }
    for (std::size_t i = 0; i < selector.entries.size(); ++i) {
        auto& entry = selector.entries[i];
        if (kind == SelectorKind::Group && (entry == "-" || entry == kAllGroups))
            continue;
        entry = std::to_string(i + 1) + " - " + entry;
    }
    browser_.touch();
    selectorBuilt(kind);
    const int id = kind == SelectorKind::Program ? 20 : kind == SelectorKind::Scope ? 21 : 22;
    voice_.removeCommand(numberedMenu_, id);
    voice_.addCommand(numberedMenu_, {id, std::string("<") + listName(kind) + ">", kCategory,
                                      kListsFocus, "SendKeys \"{down \" & _arg1 & \"}{enter}\""});
    voice_.activate(numberedMenu_, true);
}

void SpokenControls::recognised(int identifier, const std::string& words) {
    if (identifier >= 1 && identifier <= 4) {
        browser_.setFindHighlight(false);
        browser_.selectTab(identifier - 1);
    } else if (identifier == 5) {
        if (words.size() > 7)
            setSlider_(std::atoi(words.substr(7).c_str()));
    } else if (identifier >= 20 && identifier <= 22) {
        voice_.activate(numberedMenu_, false);
        voice_.removeCommand(numberedMenu_, identifier);
    }
}

void SpokenControls::pick(SelectorKind kind, int entry) {
    const auto& selector = entries(kind);
    if (entry < 0 || entry >= static_cast<int>(selector.entries.size()) ||
        selector.entries[static_cast<std::size_t>(entry)] == "-")
        return;
    if (kind == SelectorKind::Program)
        browser_.selectProgram(entry);
    else if (kind == SelectorKind::Scope)
        browser_.selectScope(entry);
    else
        browser_.selectGroup(entry);
}

void SpokenControls::keys(const std::vector<KeyStroke>& strokes) {
    for (const auto& stroke : strokes) {
        if (stroke.key == "alt+r" || stroke.key == "alt+s" || stroke.key == "alt+g") {
            openSelector(stroke.key == "alt+r"   ? SelectorKind::Program
                         : stroke.key == "alt+s" ? SelectorKind::Scope
                                                 : SelectorKind::Group);
            at_ = 0; // a menu opened by its Alt key stands on its first entry
            continue;
        }
        if (!open_)
            continue;
        const auto& selector = entries(*open_);
        const int count = static_cast<int>(selector.entries.size());
        if (count == 0)
            continue;
        // Menus skip the separator; "up" from the top wraps to the last entry.
        const auto step = [&](int by) {
            do
                at_ = at_ < 0 ? (by > 0 ? 0 : count - 1) : (at_ + by + count) % count;
            while (selector.entries[static_cast<std::size_t>(at_)] == "-");
        };
        if (stroke.key == "down")
            step(1);
        else if (stroke.key == "up")
            step(-1);
        else if (stroke.key == "enter") {
            const auto kind = *open_;
            open_.reset();
            pick(kind, at_);
        } else if (stroke.key == "esc" || stroke.key == "escape") {
            open_.reset();
        }
    }
}

} // namespace qmk
