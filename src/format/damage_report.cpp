#include "format/damage_report.h"

#include "common/text.h"

#include <fstream>

namespace qmk {

void writeDamageReport(const std::filesystem::path& file, std::string_view image,
                       const DamageReport& r) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const std::size_t from = r.dumpFrom > 0 ? std::size_t{r.dumpFrom} - 1 : 0;
    if (from < image.size())
        out << image.substr(from, kErrorDumpBytes);
    out << std::string(40, '*') << "this bad command (or list) " << r.badName
        << std::string(33, '*') << "previous command (or list) " << r.previousName << r.previousType
        << r.previousScript << "offset " << r.position << "which/commands,which/lists "
        << r.commandIndex << '/' << r.commandCount << ' ' << r.listIndex << '/' << r.listCount
        << " parmtime " << r.parmtime << " filetime " << r.filetime;
}

void appendTraceToErrorLog(const std::filesystem::path& errorLog,
                           const std::filesystem::path& trace) {
    std::ofstream out(errorLog, std::ios::binary | std::ios::app);
    out << kCrLf << "NOW TRACE" << kCrLf;
    std::ifstream in(trace, std::ios::binary);
    if (in)
        out << in.rdbuf();
}

} // namespace qmk
