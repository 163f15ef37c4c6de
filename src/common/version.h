#pragma once

namespace qmk {

// The program's version, from the build's project version: shown by qmk10 --version, the
// window's About box, and the first line of each trace.
inline constexpr const char* kVersion = QMK_VERSION;

} // namespace qmk
