#pragma once

#include "command_file_builder.h"

#include <gtest/gtest.h>
#include <string>

namespace qmk::testing {

// The four record layouts, for suites that run once per generation.
inline auto everyGeneration() {
    using layout::Generation;
    return ::testing::Values(Generation::V6, Generation::V7, Generation::V8, Generation::V10);
}

// Names the instances by version code: v3, v5, v6, v7.
struct GenerationName {
    std::string operator()(const ::testing::TestParamInfo<layout::Generation>& info) const {
        return "v" + std::to_string(fixture::CommandFileBuilder::versionCode(info.param));
    }
};

} // namespace qmk::testing
