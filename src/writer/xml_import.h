#pragma once

#include "format/layout.h"
#include "format/xml_command_set.h"

#include <cstdint>
#include <functional>
#include <map>
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

    // The whole command file: header, the commands, the lists section.
    std::string commandFile(std::uint8_t versionCode, std::uint8_t languageCode) const;
};

// Whether the file the commands go into holds a LIST of this name (file bytes).
using ListLookup = std::function<bool(const std::string& name)>;

// Each command and LIST of `set` as a record of `generation`. A command may name a LIST of the
// set or one the target holds; a LIST the target holds already is not written again.
XmlImportPlan planXmlImport(const XmlCommandSet& set, layout::Generation generation,
                            const ListLookup& targetHolds = {});

} // namespace qmk
