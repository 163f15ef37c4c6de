#include "mainwindow/history.h"

#include "actions/edit_rules.h"
#include "common/text.h"
#include "common/utf8_path.h"

#include <algorithm>

namespace qmk {

RecentHistory::RecentHistory(const Settings& settings, Trace& trace,
                             std::filesystem::path commandFile, std::vector<std::string> entries)
    : settings_(settings), trace_(trace), commandFile_(std::move(commandFile)),
      entries_(std::move(entries)) {
    if (entries_.size() > kHistoryLimit)
        entries_.resize(kHistoryLimit);
}

void RecentHistory::update(const std::string& program, const std::string& scope,
                           const std::string& name, bool isList, bool search) {
    trace_.mark("MRUUpdate", search ? "True" : "False");
    const std::string global(kGlobalCommands);
    const auto entry = (isList ? global : program) + '\t' + (isList ? global : scope) + '\t' + name;
    if (search)
        if (const auto old = std::find(entries_.begin(), entries_.end(), entry);
            old != entries_.end())
            entries_.erase(old);
    entries_.insert(entries_.begin(), entry);
    if (entries_.size() > kHistoryLimit)
        entries_.resize(kHistoryLimit);
}

void RecentHistory::writeOut(Database& store) {
    trace_.mark("MRUOutput");
    const auto section = utf8Of(commandFile_);
    std::vector<std::string> kept;
    for (const auto& entry : entries_) {
        const auto first = entry.find('\t');
        const auto second = first == std::string::npos ? first : entry.find('\t', first + 1);
        if (second == std::string::npos || entry.find('\t', second + 1) != std::string::npos) {
            trace_.mark("BAD MRU - ", entry);
            continue;
        }
        if (!findRow(store, entry.substr(0, first), entry.substr(first + 1, second - first - 1),
                     entry.substr(second + 1))) {
            trace_.mark("mru not found", entry);
            continue;
        }
        kept.push_back(entry);
        settings_.write(std::to_string(kept.size()), entry, section);
    }
    settings_.write("mrucount", std::to_string(kept.size()), section);
    trace_.mark("MRUcount=", std::to_string(kept.size()));
    entries_ = settings_.load(commandFile_).recent;
}

} // namespace qmk
