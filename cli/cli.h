#pragma once

#include <iosfwd>

namespace qmk::cli {

// The whole command-line tool, with its streams replaceable for tests. Exit statuses: 0 done,
// 1 failed or refused, 2 bad usage or a missing file, 3 a damaged command file, 4 a question
// that could not be asked (no terminal and no --yes).
int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err, std::istream& in);

} // namespace qmk::cli
