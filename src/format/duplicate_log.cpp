#include "format/duplicate_log.h"

#include "common/text.h"

#include <string>

namespace qmk {

DuplicateLog::DuplicateLog(const std::filesystem::path& file)
    : out_(file, std::ios::binary | std::ios::trunc) {}

void DuplicateLog::add(std::string_view existingFilename, std::string_view existingType,
                       std::string_view name, std::string_view program, std::string_view scope) {
    if (count_++ == 0)
        out_ << "The following Command or LIST names are duplicate names" << kCrLf << kCrLf
             << "Already in:  Filename     MENU         STATE                            Type   "
                "Macroname"
             << kCrLf << kCrLf;
    std::string tail = fitToWidth(name, 50);
    tail.erase(tail.find_last_not_of(' ') + 1);
    out_ << fitToWidth(existingFilename, 13) << fitToWidth(name, 13) << fitToWidth(program, 16)
         << fitToWidth(scope, 33) << existingType << ' ' << tail << kCrLf;
}

} // namespace qmk
