#pragma once

#include "cli.h"
#include "text_checks.h"

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

// Whether the run ended with status 0; a failure shows what it said.
inline ::testing::AssertionResult succeeded(const Qmk10Run& run) {
    if (run.status == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "status " << run.status << ": " << run.err;
}

// Whether the run ended with `status` and said `message` on its standard error.
inline ::testing::AssertionResult failedWith(const Qmk10Run& run, int status,
                                             std::string_view message) {
    if (run.status != status)
        return ::testing::AssertionFailure()
               << "status " << run.status << " instead of " << status << ": " << run.err;
    return contains(run.err, message);
}

// A compact JSON listing with a space after each colon and comma between values, the form
// the expectations are written in.
inline std::string spacedJson(const std::string& json) {
    std::string spaced;
    bool inString = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        spaced += c;
        if (inString) {
            if (c == '\\')
                spaced += json[++i];
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if ((c == ':' || c == ',') && i + 1 < json.size() && json[i + 1] != '\n') {
            spaced += ' ';
        }
    }
    return spaced;
}

} // namespace qmk::testing
