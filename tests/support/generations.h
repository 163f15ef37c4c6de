#pragma once

#include "command_file_builder.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace qmk::testing {

// One of the five file versions: its version code and the record layout it uses. It stands for
// its layout wherever a generation is asked for.
struct FileVersion {
    std::uint8_t code;
    layout::Generation generation;
    operator layout::Generation() const { return generation; }
    friend void PrintTo(const FileVersion& version, std::ostream* out) {
        *out << "version code " << static_cast<int>(version.code);
    }
};

// The five versions, 6.1 included, for suites that run once per file version.
inline auto everyGeneration() {
    std::vector<FileVersion> versions;
    for (const auto& info : layout::kGenerations)
        versions.push_back({info.versionCode, info.generation});
    return ::testing::ValuesIn(versions);
}

// Names the instances by version code: v3, v4, v5, v6, v7.
struct GenerationName {
    std::string operator()(const ::testing::TestParamInfo<FileVersion>& info) const {
        return "v" + std::to_string(info.param.code);
    }
};

} // namespace qmk::testing
