#pragma once

#include "format/layout.h"
#include "format/xml_command_set.h"
#include "writer/export_dat.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qmk {

// An XML command set turned into command records of one file format.
struct XmlImportPlan {
    std::string commandRecords; // the records, one after another
    std::uint32_t commands = 0;
    std::string listRecords;
    std::uint32_t lists = 0;
    std::map<std::string, int> byType; // commands, by type display name
    // The items the command file cannot hold, each "what (line N): why"; they are not in the
    // records.
    std::vector<std::string> unfit;
    std::uint32_t duplicates = 0; // commands of the XML dropped for another of their name
    bool cancelled = false;       // the duplicate question was answered Cancel

    // The whole command file: header, the commands, the lists section.
    std::string commandFile(std::uint8_t versionCode, std::uint8_t languageCode) const;
};

// The items of the LIST of this name (file bytes) the file the commands go into holds, joined
// as the store keeps them; nothing when it holds none.
using ListLookup = std::function<std::optional<std::string>(const std::string& name)>;

struct XmlImportRules {
    ListLookup targetLists;
    // The commands go onto the end of an existing file, through the export: a command Dragon
    // does not load (enabled="false") cannot go that way.
    bool appending = false;
    // Asked when the XML holds a second command of a name (as Dragon hears it, without regard
    // to case) in one Program and Scope; without it the first is kept.
    DuplicateQuestion duplicates;
};

// Each command and LIST of `set` as a record of `generation`. A command may name a LIST of the
// set or one the target holds; a LIST the target holds already is not written again, and one
// whose items differ from the target's is named as left out.
XmlImportPlan planXmlImport(const XmlCommandSet& set, layout::Generation generation,
                            const XmlImportRules& rules = {});

} // namespace qmk
