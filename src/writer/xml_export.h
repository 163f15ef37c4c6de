#pragma once

#include "format/keynames.h"
#include "format/record.h"
#include "format/xml_command_set.h"
#include "format/xml_encoding.h"
#include "store/selection.h"
#include "writer/guarded_write.h"
#include "writer/update_engine.h"

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qmk {

// What an XML export holds and what it left out.
struct XmlExport {
    std::optional<Outcome> refusal; // the file could not be read
    XmlCommandSet set;
    std::map<std::string, int> byType; // commands written, by type display name
    std::vector<std::string> leftOut;  // each with its reason
    // One line: how many commands and LISTs, by type, and what was left out and why.
    std::string summary() const;
};

// Which records the store does not hold (Dragon does not load them, or no View shows their
// type) the selection takes.
using NotLoadedChoice = std::function<bool(const CommandRecord& record)>;

// Counts by type, "2 KEYS, 1 SCRIPT", in the order of the type names.
std::string typeCounts(const std::map<std::string, int>& byType);

// The selected commands of the open file and the not-loaded ones chosen, in file order, and the
// LISTs they name, as an XML command set. Encrypted commands cannot be written and are left
// out.
// `everyList`: every LIST of the file goes too, named or not (an export of all commands).
XmlExport collectXmlExport(UpdateEngine& engine, const Selection& rows, const KeyNames& keys,
                           const NotLoadedChoice& notLoaded = {}, bool everyList = false);

// The XML file written whole, atomically, in the encoding chosen, through the guarded path.
Outcome writeXmlFile(FileOps& files, const WriteTarget& target, const XmlCommandSet& set,
                     xmltext::Encoding encoding);

} // namespace qmk
