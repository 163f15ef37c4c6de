#include "format/duplicate_log.h"

#include "common/text.h"

#include <string>

namespace qmk {

DuplicateLog::DuplicateLog(FileOps& files, const std::filesystem::path& file)
    : files_(files), file_(file) {
    files_.writeLog(file_, "");
}

void DuplicateLog::close() {
    if (written_ || count_ == 0)
        return;
    written_ = true;
    files_.writeLog(file_, text_);
}

void DuplicateLog::add(std::string_view existingFilename, std::string_view existingType,
                       std::string_view name, std::string_view program, std::string_view scope) {
    const std::string crlf(kCrLf);
    if (count_++ == 0)
        text_ = "The following Command or LIST names are duplicate names" + crlf + crlf +
                "Already in:  Filename     MENU         STATE                            Type   "
                "Macroname" +
                crlf + crlf;
    std::string tail = fitToWidth(name, 50);
    tail.erase(tail.find_last_not_of(' ') + 1);
    text_ += fitToWidth(existingFilename, 13) + fitToWidth(name, 13) + fitToWidth(program, 16) +
             fitToWidth(scope, 33) + std::string(existingType) + ' ' + tail + crlf;
}

} // namespace qmk
