#pragma once

#include "common/item_type.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qmk {

// One row of table `user`: a command or LIST record as the store holds it (texts in UTF-8).
// Fields follow the columns in order and carry their names (`group_name` for `group`, a word SQL
// keeps for itself).
struct UserRow {
    std::int64_t id = 0;
    std::string filename;
    std::string program;
    std::string scope; // a window title, or a kind ("Global Commands", "Application-specific")
    std::string name;
    ItemType type = ItemType::None; // kept in the store as its letter
    std::string script;
    std::string availability; // "G", "A" or "W"
    std::string group;
    std::int64_t lists = 0;
    std::int64_t offset = 0;
    std::int64_t offsetbody = 0;
    std::string description;
    std::string states;
    std::int64_t graphicsize = 0;
    bool global = false;
    bool noglobals = false;
    bool sleeping = false;
    bool singleline = false;
    std::string globalsort;
    std::string listsort;
    std::string pathcode;
    bool dupe = false;
    std::int64_t descriptionLength = 0;
    std::int64_t companyNameLength = 0;
    std::int64_t classNameLength = 0;
    bool encrypted = false;
    bool listcopy = false;
    bool flag = false;
};

// The columns of `user` in table order, with the kind of value each holds.
enum class ColumnKind { Integer, Text, YesNo };
struct UserColumn {
    std::string_view name;
    ColumnKind kind;
};
inline constexpr std::array<UserColumn, 29> kUserColumns{{
    {"ID", ColumnKind::Integer},
    {"filename", ColumnKind::Text},
    {"program", ColumnKind::Text},
    {"scope", ColumnKind::Text},
    {"name", ColumnKind::Text},
    {"type", ColumnKind::Text},
    {"script", ColumnKind::Text},
    {"availability", ColumnKind::Text},
    {"group_name", ColumnKind::Text},
    {"lists", ColumnKind::Integer},
    {"offset", ColumnKind::Integer},
    {"offsetbody", ColumnKind::Integer},
    {"description", ColumnKind::Text},
    {"states", ColumnKind::Text},
    {"graphicsize", ColumnKind::Integer},
    {"Global", ColumnKind::YesNo},
    {"noglobals", ColumnKind::YesNo},
    {"sleeping", ColumnKind::YesNo},
    {"singleline", ColumnKind::YesNo},
    {"globalsort", ColumnKind::Text},
    {"listsort", ColumnKind::Text},
    {"pathcode", ColumnKind::Text},
    {"dupe", ColumnKind::YesNo},
    {"description_length", ColumnKind::Integer},
    {"company_name_length", ColumnKind::Integer},
    {"class_name_length", ColumnKind::Integer},
    {"encrypted", ColumnKind::YesNo},
    {"listcopy", ColumnKind::YesNo},
    {"flag", ColumnKind::YesNo},
}};

// Fills the columns every added row derives from its Program, Scope and type, so that the sort
// orders hold for all rows whoever adds them.
void deriveColumns(UserRow& row);

} // namespace qmk
