#include "mainwindow/item_display.h"

#include "actions/edit_rules.h"
#include "actions/record_actions.h"
#include "common/codepage.h"
#include "common/file_io.h"
#include "common/text.h"
#include "format/image_reader.h"
#include "format/record.h"
#include "store/places.h"

#include <cstdlib>

namespace qmk {

bool doublesBackslashes(ItemType type, const std::string& filename) {
    // The user's own file keeps its doubled backslashes in KEYS bodies; exported files and LISTs
    // show them single.
    return type == ItemType::List || (type == ItemType::Keys && filename != "mycmds.dat");
}

bool showsUndoubled(const UserRow& row) {
    return !row.encrypted && doublesBackslashes(row.type, row.filename) &&
           row.script.find('\\') != std::string::npos && backslashesDoubled(row.script);
}

std::string bodyToStore(const std::string& typed, bool doubling, bool shownUndoubled) {
    if (!doubling)
        return typed;
    // A body shown as stored (a lone backslash in it) keeps what was typed, unless the typed
    // text would itself be shown undoubled.
    if (!shownUndoubled && !backslashesDoubled(typed))
        return typed;
    return doubledBackslashes(typed);
}

std::string bodyForDisplay(const std::string& body) {
    return replaceAll(replaceAll(body, "\r\n", "\n"), "\r", "\n");
}

std::string bodyFromDisplay(const std::string& shown) {
    return replaceAll(shown, "\n", "\r\n");
}

std::string shownBody(const UserRow& row) {
    if (row.encrypted)
        return kEncryptedBody;
    std::string text = showsUndoubled(row) ? undoubledBackslashes(row.script) : row.script;
    if (row.type == ItemType::TextAndGraphics)
        text = "<<< " + std::to_string(row.graphicsize) + " byte graphic not shown >>> \r\n" + text;
    return text;
}

std::optional<std::vector<RichRun>> formattedBody(const std::filesystem::path& commandFile,
                                                  std::int64_t offsetbody) {
    const auto image = readWholeFile(commandFile);
    if (!image || offsetbody < 1 || static_cast<std::uint64_t>(offsetbody) > image->size())
        return std::nullopt;
    try {
        ImageReader in(*image, static_cast<std::uint32_t>(offsetbody));
        return readRichText(codepage::toUtf8(in.string()));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string activeStates(Database& store, const std::string& states) {
    std::string names;
    std::size_t from = 0;
    for (auto comma = states.find(','); comma != std::string::npos;
         from = comma + 1, comma = states.find(',', from)) {
        const auto id = std::strtoll(states.substr(from, comma - from).c_str(), nullptr, 10);
        if (const auto name = places::stateName(store, id))
            names += *name + ",";
    }
    if (!names.empty())
        names.pop_back();
    return names;
}

ItemView emptyTabItem() {
    ItemView view;
    view.body = kPickSomethingElse;
    view.commandMenuEnabled = true;
    return view;
}

ItemView showItem(Database& store, const std::string& program, const std::string& scope,
                  const std::string& name, bool english) {
    ItemView view;
    view.program = program;
    view.scope = scope;
    const auto row = findRow(store, program, scope, name);
    if (!row) {
        view.body = kNoLongerAvailable;
        view.group = "User-defined";
        view.notAvailable = true;
        return view;
    }
    view.row = row;
    view.group = row->group;
    view.type = typeDisplayName(row->type);
    view.typeIsList = row->type == ItemType::List;
    view.description = row->description;
    view.activeStates = activeStates(store, row->states);
    view.body = shownBody(*row);
    view.commandMenuEnabled = true;
    if (row->type == ItemType::Keys) {
        if (row->script.find('{') == std::string::npos)
            view.convertToPlainEnabled = true;
        else
            view.convertToAdvancedEnabled = english;
    }
    const bool readOnly = actions::readOnlyRefusal(*row).has_value();
    view.bodyLocked = readOnly;
    view.modifyEnabled = view.editEnabled = view.cloneEnabled = !readOnly;
    view.showGraphicVisible = row->type == ItemType::TextAndGraphics && !row->encrypted;
    return view;
}

} // namespace qmk
