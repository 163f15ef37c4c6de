#pragma once

#include <gtest/gtest.h>
#include <string_view>

namespace qmk::testing {

// Whether `text` holds `part`; a failure shows both.
inline ::testing::AssertionResult contains(std::string_view text, std::string_view part) {
    if (text.find(part) != std::string_view::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\" does not hold \"" << part << "\"";
}

} // namespace qmk::testing
