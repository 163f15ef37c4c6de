#pragma once

#include "common/trace.h"
#include "session/settings.h"
#include "store/database.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qmk {

inline constexpr std::size_t kHistoryLimit = 13;

// The Recently Modified history of one command file: entries "Program<tab>Scope<tab>name",
// newest first, kept in the settings file in the command file's own section.
class RecentHistory {
public:
    RecentHistory(const Settings& settings, Trace& trace, std::filesystem::path commandFile,
                  std::vector<std::string> entries);

    // After Save (`search`: an existing item was saved) and Rename. LISTs are recorded under
    // Global Commands, where they live.
    void update(const std::string& program, const std::string& scope, const std::string& name,
                bool isList, bool search);
    // Drops the entries whose item is gone and saves the rest.
    void writeOut(Database& store);

    const std::vector<std::string>& entries() const { return entries_; }

private:
    const Settings& settings_;
    Trace& trace_;
    std::filesystem::path commandFile_;
    std::vector<std::string> entries_;
};

} // namespace qmk
