#include "row_output.h"

#include "json.h"

#include <charconv>
#include <ostream>
#include <string>

namespace qmk::cli {

namespace {

struct Value {
    std::int64_t number = 0;
    std::string text;
};

// The row's values in column order; yes/no columns as 0 and 1.
std::vector<Value> valuesOf(const UserRow& r) {
    auto n = [](std::int64_t v) { return Value{v, {}}; };
    auto t = [](const std::string& v) { return Value{0, v}; };
    auto b = [](bool v) { return Value{v ? 1 : 0, {}}; };
    return {n(r.id),
            t(r.filename),
            t(r.program),
            t(r.scope),
            t(r.name),
            t(letterOf(r.type)),
            t(r.script),
            t(r.availability),
            t(r.group),
            n(r.lists),
            n(r.offset),
            n(r.offsetbody),
            t(r.description),
            t(r.states),
            n(r.graphicsize),
            b(r.global),
            b(r.noglobals),
            b(r.sleeping),
            b(r.singleline),
            t(r.globalsort),
            t(r.listsort),
            t(r.pathcode),
            b(r.dupe),
            n(r.descriptionLength),
            n(r.companyNameLength),
            n(r.classNameLength),
            b(r.encrypted),
            b(r.listcopy),
            b(r.flag)};
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string csvScalar(const UserColumn& column, const Value& value) {
    switch (column.kind) {
    case ColumnKind::Integer:
        return std::to_string(value.number);
    case ColumnKind::YesNo:
        return value.number ? "1" : "0";
    case ColumnKind::Text:
        return csvField(value.text);
    }
    return {};
}

Json jsonScalar(const UserColumn& column, const Value& value) {
    switch (column.kind) {
    case ColumnKind::Integer:
        return value.number;
    case ColumnKind::YesNo:
        return value.number != 0;
    case ColumnKind::Text:
        return value.text;
    }
    return nullptr;
}

std::vector<std::int64_t> stateIds(const std::string& list) {
    std::vector<std::int64_t> ids;
    std::size_t start = 0;
    for (auto comma = list.find(','); comma != std::string::npos; comma = list.find(',', start)) {
        ids.push_back(std::stoll(list.substr(start, comma - start)));
        start = comma + 1;
    }
    return ids;
}

} // namespace

void printRowsText(std::ostream& out, UserTable& rows) {
    // Lines are built by hand and written whole: at 60,000 rows the stream's formatting of
    // each field is most of the listing's time.
    std::string line;
    rows.forEachHeading([&](const RowHeading& r) {
        char id[24];
        line.assign(id, std::to_chars(id, id + sizeof id, r.id).ptr);
        const auto type = letterOf(r.type);
        for (const auto field : {std::string_view(type), r.program, r.scope, r.group, r.name}) {
            line += '\t';
            line += field;
        }
        if (r.dupe)
            line += "\t(duplicate)";
        line += '\n';
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    });
}

void printRowsCsv(std::ostream& out, UserTable& rows) {
    for (std::size_t c = 0; c < kUserColumns.size(); ++c)
        out << (c ? "," : "") << kUserColumns[c].name;
    out << "\r\n";
    rows.forEach([&](const UserRow& row) {
        const auto values = valuesOf(row);
        for (std::size_t c = 0; c < kUserColumns.size(); ++c)
            out << (c ? "," : "") << csvScalar(kUserColumns[c], values[c]);
        out << "\r\n";
    });
}

void printRowsJson(std::ostream& out, UserTable& rows, const StateNames& names) {
    // One row a line, written as it is read: 60,000 rows are never held as one document.
    out << "[";
    bool first = true;
    rows.forEach([&](const UserRow& row) {
        const auto values = valuesOf(row);
        Json object;
        for (std::size_t c = 0; c < kUserColumns.size(); ++c)
            object[kUserColumns[c].name] = jsonScalar(kUserColumns[c], values[c]);
        auto& stateNames = object["statenames"] = Json::array();
        for (const auto id : stateIds(row.states)) {
            const auto found = names.find(id);
            stateNames.push_back(found != names.end() ? found->second : "");
        }
        out << (first ? "\n  " : ",\n  ") << compactJson(object);
        first = false;
    });
    out << (first ? "]\n" : "\n]\n");
}

} // namespace qmk::cli
