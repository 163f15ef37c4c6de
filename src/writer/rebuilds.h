#pragma once

#include "store/selection.h"
#include "store/user_row.h"
#include "writer/record_walker.h"
#include "writer/update_engine.h"

#include <functional>
#include <optional>
#include <string>

namespace qmk {

namespace files {
inline constexpr const char* kChangeLog = "Quillmark.log";
} // namespace files

// The whole-file rebuilds. Each walks every command record of the file in order into a new file
// under the template header, applies its transform to the records of the rows it is given, and
// replaces the file once, at the end. Records the store does not hold are copied as
// they are. The store is not shifted: the caller parses the file again.

// The commands given go, and with them every LIST no remaining command names.
Outcome deleteCommands(UpdateEngine& engine, const Selection& rows);
// One LIST cut out of the lists section; commands naming it keep their references.
Outcome deleteList(UpdateEngine& engine, const UserRow& list);
// "group" or "program" transform on the commands given; the lists section is copied unchanged.
Outcome renameGroupsOrPrograms(UpdateEngine& engine, const Selection& rows,
                               const WalkTransform& transform);

// The DVC conversions of the keys commands given ("dvc2plain", "dvc2vba", "dvc2sdk"): the
// change log "\Quillmark.log" records each command, and is copied to the operation's own log.
struct DvcConversion {
    Outcome result;
    bool notConverted = false; // a key string the SendKeys form refused
    std::string logName;       // "ConvertKEYS2Plain.log", ...
};
DvcConversion convertDvc(UpdateEngine& engine, const Selection& rows, WalkOperation operation);

// Format conversion to "6.0", "6.1", "7.0" or "8.0": the refusal, if any, comes first (the
// caller shows it), then the conversion itself.
struct FormatTarget {
    std::string label;        // "6.0", "6.1", "7.0", "8.0"
    std::uint8_t versionCode; // 3, 4, 5, 6
    std::string already;      // "Already in 6.0 format"
};
std::optional<FormatTarget> formatTarget(const std::string& label);
std::optional<Outcome> formatConversionRefusal(UpdateEngine& engine, const FormatTarget& target);
Outcome convertFormat(UpdateEngine& engine, const FormatTarget& target);

// A copy of a command file's image that holds only the commands `keep` accepts (given each name
// as the file holds it), and every LIST; nothing when the image is no command file.
std::optional<std::string> withCommandsKept(std::string_view image,
                                            const std::function<bool(std::string_view)>& keep);

// The language byte of the header, rewritten alone.
std::optional<std::uint8_t> languageCode(const std::string& name);
Outcome convertLanguage(UpdateEngine& engine, std::uint8_t code);

} // namespace qmk
