#pragma once

#include "cli.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace qmk::testing {

struct Qmk10Run {
    int status;
    std::string out;
    std::string err;
};

// qmk10 in this process on the program directory `home`, with `input` as its standard input.
inline Qmk10Run runQmk10(const std::filesystem::path& home, std::vector<std::string> args,
                         const std::string& input = {}) {
    args.insert(args.begin(), {"qmk10", "--home", home.string()});
    std::vector<const char*> argv;
    for (const auto& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    std::istringstream in(input);
    const int status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err, in);
    return {status, out.str(), err.str()};
}

} // namespace qmk::testing
