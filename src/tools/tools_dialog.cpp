#include "tools/tools_dialog.h"

#include "common/text.h"
#include "format/codepage.h"
#include "store/parameters.h"
#include "store/schema.h"
#include "store/statements.h"

#include <cstdio>

namespace qmk {

namespace {

std::string fiveWide(std::int64_t count) {
    char text[16];
    std::snprintf(text, sizeof text, "%5lld", static_cast<long long>(count));
    return text;
}

// The question for a command already in `target`: replace it with the one from `source`?
DuplicateQuestion duplicateQuestionFor(Prompt& prompt, std::string target, std::string source,
                                       std::string replaceWith, std::string title,
                                       std::string cancel) {
    return [&prompt, target = std::move(target), source = std::move(source),
            replaceWith = std::move(replaceWith), title = std::move(title),
            cancel = std::move(cancel)](const std::string& name) {
        const std::string crlf(kCrLf);
        const auto choice =
            prompt.choose("The following command already exists in:" + crlf + target + crlf + name +
                              crlf + replaceWith + crlf + source,
                          title, {"&Yes", "No", "Ye&s to all", "N&o to all", cancel});
        return static_cast<DuplicateAnswer>(choice);
    };
}

} // namespace

DuplicateQuestion duplicatePrompt(Prompt& prompt, std::string target, std::string source) {
    return duplicateQuestionFor(prompt, std::move(target), std::move(source),
                                "Overwrite? with command from:", "Overwrite?", "&Cancel Export");
}

DuplicateQuestion restorePrompt(Prompt& prompt, std::string target, std::string source) {
    return duplicateQuestionFor(prompt, std::move(target), std::move(source),
                                "Replace it with the command from the archive:", "Restore",
                                "&Cancel Restore");
}

ToolsCaptions toolsCaptions(const std::string& mode, const std::filesystem::path& exportFile) {
    if (mode == "dat")
        return {"Export to .dat", "Export", exportFile.string()};
    if (mode == "group")
        return {"Rename Group", "Rename Group", "Enter new Group here"};
    if (mode == "program")
        return {"Rename Program", "Rename Program", "Enter new Program here"};
    if (mode == "delete")
        return {"Delete", "Delete", ""};
    if (mode == "dvc2plain")
        return {"Convert DVC to Plain Text", "Convert", ""};
    if (mode == "dvc2vba")
        return {"Convert DVC to Advanced Scripting w/SendKeys", "Convert", ""};
    if (mode == "dvc2sdk")
        return {"Convert DVC to Advanced Scripting w/SendDragonKeys", "Convert", ""};
    return {"Search/Replace", "Replace", ""};
}

std::array<std::string, 4> toolsCounts(Database& store, const std::string& program,
                                       const std::string& scope, const std::string& group) {
    const auto count = [&](const std::string& where, std::vector<std::string> values) {
        auto select = store.prepare("SELECT count(*) FROM user WHERE Type <> 'L'" + where);
        for (std::size_t i = 0; i < values.size(); ++i)
            select.bind(static_cast<int>(i) + 1, values[i]);
        select.step();
        return fiveWide(select.integer(0));
    };
    return {count("", {}), count(" AND menu = ?", {program}),
            group == kAllGroups ? count("", {}) : count(" AND owner = ?", {group}),
            count(" AND menu = ? AND state = ?", {program, scope})};
}

std::vector<std::string> toolsPickList(Database& store, const std::string& program,
                                       const std::string& scope,
                                       const std::function<bool(const UserRow&)>& shown) {
    auto select = store.prepare("SELECT name, Type, owner FROM user WHERE menu = ? AND state = ? "
                                "AND Type <> 'L' ORDER BY ID");
    select.bind(1, program).bind(2, scope);
    std::vector<std::string> names;
    while (select.step()) {
        UserRow row;
        row.program = program;
        row.scope = scope;
        row.name = select.text(0);
        row.Type = select.text(1);
        row.group = select.text(2);
        if (shown(row))
            names.push_back(row.name);
    }
    return names;
}

} // namespace qmk
