#pragma once

#include "actions/operation_context.h"
#include "common/outcome.h"
#include "format/xml_encoding.h"
#include "tools/reports.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qmk::actions {

// Moving commands to and from the XML command format of later Dragon versions.

// What an XML export or import came to: besides its message, the file it wrote (empty when
// none), what it wrote by type and what it left out and why, and the items a command file cannot
// hold when they stopped the import before anything was written. A plain outcome (a refusal, a
// cancel) is one with nothing more to hand back.
struct XmlOutcome : Outcome {
    XmlOutcome(Outcome outcome = {}) : Outcome(std::move(outcome)) {}
    std::filesystem::path written;
    std::string summary;
    std::vector<std::string> unfit;
};

// The selected commands of the open file and the LISTs they name, written as XML. The open file
// is not changed.
XmlOutcome exportXml(const OperationContext& session, const ReportRequest& selection,
                     const std::filesystem::path& target, xmltext::Encoding encoding);

// The command file formats an import writes: "10.x", "8/9", "7.x", "6.1", "6.0".
bool isImportFormat(const std::string& label);

struct XmlImport {
    std::filesystem::path xml;
    bool skipUnfit = false; // import what fits and list the rest; otherwise nothing is written
};

// An XML command set made a new command file of `format`. `target` must not exist; 6.0 and 6.1
// files exist in English only.
// The duplicate question is asked of a command the XML holds twice under one name.
XmlOutcome importXmlToNewFile(FileOps& files, const XmlImport& request,
                              const std::filesystem::path& target, const std::string& format,
                              const DuplicateQuestion& duplicates = {});

// An XML command set appended to the open command file through the export's append path, with
// its duplicate question and LIST rules; the user's own file is archived first.
XmlOutcome importXmlIntoOpenFile(const OperationContext& session, const XmlImport& request);

} // namespace qmk::actions
