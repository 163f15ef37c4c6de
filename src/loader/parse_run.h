#pragma once

#include "format/duplicate_log.h"
#include "format/keynames.h"
#include "format/record.h"
#include "loader/parser.h"
#include "store/parameters.h"
#include "store/user_rows.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace qmk {

// One re-parse: walks every record of the image and stores its row. Lives inside the parse's
// transaction.
class Parser::Run {
public:
    Run(Parser& parser, std::string_view image, const std::filesystem::path& file, KeyNames keys,
        DuplicateLog& duplicates);

    // Steps through the command records and the lists section; false when damage stopped it.
    bool walk();

private:
    struct StoredRow {
        std::int64_t id;
        std::int64_t offset;
        std::string filename; // UTF-8, as the store keeps it
        ItemType type;
    };
    // Where the last row this parse stored was read from, for the damage report.
    struct Previous {
        std::uint32_t offset = 0;
        bool isList = false;
    };

    void readCommands(ImageReader& in);
    void readLists(ImageReader& in);
    std::string lookUpStates(std::string_view program, const CommandRecord& record);
    // False when the store refused the row.
    bool store(UserRow&& row, std::string_view program, std::string_view scope,
               std::string_view rawName);
    void showSkipMessage(const UserRow& row, const StoreError& error);
    void reportDamage(std::string badName, std::uint32_t position);

    static std::string key(const UserRow& row);

    Parser& parser_;
    std::string_view image_;
    std::string filename_;
    KeyNames keys_;
    UserTable users_;
    Parameters parameters_;
    Statement addState_;
    DuplicateLog& duplicates_;
    std::unordered_map<std::string, std::vector<StoredRow>> rowsByKey_;
    std::unordered_map<std::string, std::int64_t> stateIds_;
    Previous previous_;
    bool firstRow_ = true;
    std::uint32_t commandIndex_ = 0;
    std::uint32_t listIndex_ = 0;
    std::uint32_t recordStart_ = 0; // of the record being read
};

} // namespace qmk
