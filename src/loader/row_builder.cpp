#include "loader/row_builder.h"

#include "common/codepage.h"
#include "common/text.h"

namespace qmk {

namespace {
constexpr std::string_view kApplicationSpecific = "Application-specific";
constexpr std::string_view kUserDefined = "User-defined";
constexpr std::string_view kListGroup = "Dragon";

// Both texts as read; the store keeps `menu` upper-cased unless it is the global name.
void setLocation(UserRow& row, std::string_view program, std::string_view scope) {
    row.program = program == kGlobalCommands ? std::string(program)
                                             : codepage::toUtf8(codepage::toUpper(program));
    row.scope = codepage::toUtf8(scope);
    row.global = isGlobalCommandsName(program) && isGlobalCommandsName(scope);
}
} // namespace

Location locationOf(const CommandRecord& r) {
    switch (r.availability()) {
    case layout::kGlobal:
        return {kGlobalCommands, kGlobalCommands, "G"};
    case layout::kApplication:
        return {r.program, kApplicationSpecific, "A"};
    case layout::kWindow:
        return {r.program, r.windowTitle, "W"};
    default:
        return {};
    }
}

UserRow commandRow(const CommandRecord& r, const std::string& filename, std::string states) {
    UserRow row;
    const auto where = locationOf(r);
    row.filename = filename;
    setLocation(row, where.program, where.scope);
    row.availability = where.scopeLetter;
    row.name = codepage::toUtf8(r.name);
    row.type = r.type();
    row.script = codepage::toUtf8(r.script);
    row.group = r.group.empty() ? std::string(kUserDefined) : codepage::toUtf8(r.group);
    row.lists = r.listReferences;
    row.offset = r.offset;
    row.offsetbody = r.offsetbody;
    row.description = codepage::toUtf8(r.description);
    row.states = std::move(states);
    row.graphicsize = r.graphicsize;
    row.descriptionLength = static_cast<std::int64_t>(r.programDescription.size());
    row.companyNameLength = static_cast<std::int64_t>(r.companyName.size());
    row.classNameLength = static_cast<std::int64_t>(r.windowClass.size());
    row.encrypted = r.encrypted;
    deriveColumns(row);
    return row;
}

UserRow listRow(const ListRecord& list, const std::string& filename) {
    UserRow row;
    row.filename = filename;
    setLocation(row, kGlobalCommands, kGlobalCommands);
    row.availability = "G";
    row.type = ItemType::List;
    row.group = kListGroup;
    row.lists = 1;
    row.name = codepage::toUtf8(list.name);
    row.offset = list.offset;
    row.script = codepage::toUtf8(joinListItems(list.items));
    deriveColumns(row);
    return row;
}

} // namespace qmk
