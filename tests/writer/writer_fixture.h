#pragma once

#include "actions/edit_rules.h"
#include "command_file_builder.h"
#include "store/parameters.h"
#include "store/user_rows.h"
#include "test_home.h"
#include "writer/update_engine.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace qmk::testing {

// A parsed command file in a fresh program directory, with an update engine on it.
class WriterTest : public ::testing::Test {
protected:
    void load(const fixture::CommandFileBuilder& file) {
        path_ = home_.writeFile("mycmds.dat", file.build());
        const auto result = home_.parse(path_, true);
        ASSERT_TRUE(result.ok()) << result.message;
        engine_.emplace(EngineContext{home_.home(), home_.store(), trace_, files_, path_});
    }

    std::string fileBytes() const { return readBytes(path_); }

    UserRow row(const std::string& name, const std::string& program = "Global Commands",
                const std::string& scope = "Global Commands") {
        auto found = findRow(home_.store(), program, scope, name);
        EXPECT_TRUE(found) << name;
        return found.value_or(UserRow{});
    }

    std::int64_t offsetLists() {
        return Parameters(home_.store()).get(Parameters::Number::OffsetLists);
    }

    // The positions the store holds for the file's records, in file order. Names are left out:
    // a renamed record keeps its old name in the store until the file is parsed again.
    std::vector<std::pair<std::int64_t, std::int64_t>> positions() {
        std::vector<std::pair<std::int64_t, std::int64_t>> held;
        for (const auto& r : home_.rows())
            if (!r.listcopy)
                held.emplace_back(r.offset, r.offsetbody);
        std::sort(held.begin(), held.end());
        return held;
    }

    // The shifted store agrees with a fresh parse of the file it describes.
    void expectStoreMatchesFile() {
        const auto shifted = positions();
        const auto lists = offsetLists();
        ASSERT_TRUE(home_.parse(path_, true).ok());
        EXPECT_EQ(shifted, positions());
        EXPECT_EQ(lists, offsetLists());
    }

    TestHome home_;
    Trace trace_{home_.path("writer.trace"), now()};
    FileOps files_;
    std::filesystem::path path_;
    std::optional<UpdateEngine> engine_;
};

} // namespace qmk::testing
