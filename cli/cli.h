#pragma once

#include <iosfwd>

namespace qmk::cli {

// Exit statuses of qmk10.
enum Exit : int { kDone = 0, kFailed = 1, kUsage = 2, kDamaged = 3 };

// The whole command-line tool, with its streams replaceable for tests.
int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace qmk::cli
