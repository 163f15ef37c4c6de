#include "common/text.h"
#include "writer/export_store.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qmk::testing {

TEST(ExportStoreTest, FindsEveryFirstRowAsItGrowsAndFoldsOnlyProgramCase) {
    ExportStore store; // no room reserved: the table grows many times on the way
    std::vector<std::string> names;
    for (int i = 0; i < 5000; ++i)
        names.push_back("command " + std::to_string(i));
    bool added = false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view program = i % 2 ? "winword" : kGlobalCommands;
        const std::string_view scope = i % 2 ? "Application-specific" : kGlobalCommands;
        EXPECT_EQ(store.add({program, scope, names[i]}, {ItemType::Keys, false, i}, added), i);
        ASSERT_TRUE(added);
    }
    for (std::size_t i = 0; i < names.size(); i += 97) {
        const std::string_view program = i % 2 ? "WinWord" : kGlobalCommands;
        const std::string_view scope = i % 2 ? "Application-specific" : kGlobalCommands;
        EXPECT_EQ(store.find({program, scope, names[i]}), i) << names[i];
        EXPECT_EQ(store.add({program, scope, names[i]}, {ItemType::Keys, false, 0}, added), i);
        EXPECT_FALSE(added);
    }
    // Names and Scopes keep their case; the global Program is not any Program spelt so.
    EXPECT_EQ(store.find({"winword", "Application-specific", "COMMAND 1"}), ExportStore::kNone);
    EXPECT_EQ(store.find({"winword", "application-specific", "command 1"}), ExportStore::kNone);
    EXPECT_EQ(store.find({"GLOBAL COMMANDS", kGlobalCommands, "command 0"}), ExportStore::kNone);

    // A replacing copy takes over its key's row: the key finds the newest record.
    store.at(1) = {ItemType::Keys, false, 9999};
    EXPECT_EQ(store.at(store.find({"WinWord", "Application-specific", "command 1"})).record, 9999u);
}

} // namespace qmk::testing
