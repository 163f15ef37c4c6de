#pragma once

#include <filesystem>
#include <fstream>
#include <string_view>

namespace qmk {

// `duplicate.log`: every command or LIST whose Program, Scope and name were already stored.
// Written in the command file's code page; created empty when a parse starts rebuilding.
class DuplicateLog {
public:
    explicit DuplicateLog(const std::filesystem::path& file);

    // Texts are Windows-1252 bytes; `program` is the Program as read from the file.
    void add(std::string_view existingFilename, std::string_view existingType,
             std::string_view name, std::string_view program, std::string_view scope);
    int count() const { return count_; }
    void close() { out_.close(); }

private:
    std::ofstream out_;
    int count_ = 0;
};

} // namespace qmk
