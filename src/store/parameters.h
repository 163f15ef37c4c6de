#pragma once

#include "store/database.h"

#include <optional>
#include <string>

namespace qmk {

// The one row of `parameters`. Column names are fixed here, never taken from callers.
class Parameters {
public:
    enum class Text {
        mycmdstime,
        mycmdsfile,
        UserName,
        UserSub,
        language,
        lastmode,
        dvcmaptime,
        exportPath,
        openfile
    };
    enum class Number { OffsetLists, lastdvcID, parsed };

    explicit Parameters(Database& db) : db_(db) {}

    std::optional<std::string> get(Text column);
    void set(Text column, const std::optional<std::string>& value);
    std::int64_t get(Number column);
    void set(Number column, std::int64_t value);

private:
    Database& db_;
};

} // namespace qmk
