#pragma once

#include "common/file_io.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace qmk {

// `duplicate.log`: every command or LIST whose Program, Scope and name were already stored.
// Written in the command file's code page; created empty when a parse starts rebuilding, and
// written whole when closed (or left).
class DuplicateLog {
public:
    DuplicateLog(FileOps& files, const std::filesystem::path& file);
    ~DuplicateLog() { close(); }
    DuplicateLog(const DuplicateLog&) = delete;
    DuplicateLog& operator=(const DuplicateLog&) = delete;

    // Texts are Windows-1252 bytes; `program` is the Program as read from the file.
    void add(std::string_view existingFilename, std::string_view existingType,
             std::string_view name, std::string_view program, std::string_view scope);
    int count() const { return count_; }
    void close();

private:
    FileOps& files_;
    std::filesystem::path file_;
    std::string text_;
    bool written_ = false;
    int count_ = 0;
};

} // namespace qmk
