#pragma once

#include <array>

namespace qmk::app {

// The View menu's type switches, in the order of the browsing model's switches.
inline constexpr std::array<const char*, 8> kViewCaptions{
    "&KEYs",       "&SCRIPTs",        "&LISTs",        "&Text and Graphics",
    "&Plain Text", "Macro &Recorder", "Step-&by-step", "Ad&vanced Scripting"};

// The result tabs.
inline constexpr std::array<const char*, 4> kTabCaptions{"C&ommands", "&LISTs", "Rece&ntly Created",
                                                         "Recently Mod&ified"};

} // namespace qmk::app
