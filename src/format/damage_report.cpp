#include "format/damage_report.h"

#include "common/text.h"

#include <sstream>

namespace qmk {

void writeDamageReport(FileOps& files, const std::filesystem::path& file, std::string_view image,
                       const DamageReport& r) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    std::ostringstream out;
    const std::size_t from = r.dumpFrom > 0 ? std::size_t{r.dumpFrom} - 1 : 0;
    if (from < image.size())
        out << image.substr(from, kErrorDumpBytes);
    out << std::string(40, '*') << "this bad command (or list) " << r.badName
        << std::string(33, '*') << "previous command (or list) " << r.previousName << r.previousType
        << r.previousScript << "offset " << r.position << "which/commands,which/lists "
        << r.commandIndex << '/' << r.commandCount << ' ' << r.listIndex << '/' << r.listCount
        << " parmtime " << r.parmtime << " filetime " << r.filetime;
    files.writeLog(file, out.str());
}

void appendTraceToErrorLog(FileOps& files, const std::filesystem::path& errorLog,
                           const std::filesystem::path& trace) {
    files.writeLog(errorLog,
                   std::string(kCrLf) + "NOW TRACE" + std::string(kCrLf) +
                       readWholeFile(trace).value_or(std::string()),
                   true);
}

} // namespace qmk
