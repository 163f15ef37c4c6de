#include "mainwindow/archive_compare.h"

#include "tools/restore_items.h"

namespace qmk {

namespace {

std::optional<CommandSet> readOrSay(const std::filesystem::path& file, MainPresenter& presenter) {
    auto read = readCommandSet(file, presenter.home());
    if (auto* message = std::get_if<std::string>(&read)) {
        presenter.prompt().message(*message, "Quillmark10");
        return std::nullopt;
    }
    return std::move(std::get<CommandSet>(read));
}

std::string shownBody(const SetItem* item) {
    if (!item)
        return {};
    return item->encrypted ? "(encrypted)" : item->body;
}

} // namespace

bool ArchiveComparison::compare(const std::string& archive) {
    differences_.clear();
    archive_ = presenter_.archivePath(archive);
    before_ = readOrSay(archive_, presenter_);
    after_ = before_ ? readOrSay(presenter_.commandFile(), presenter_) : std::nullopt;
    if (!before_ || !after_)
        return false;
    differences_ = compareSets(*before_, *after_);
    return true;
}

std::vector<std::string> ArchiveComparison::lines() const {
    std::vector<std::string> out;
    for (const auto& d : differences_)
        out.push_back(differenceLine(d));
    return out;
}

std::pair<std::string, std::string> ArchiveComparison::bodies(std::size_t i) const {
    const auto& d = differences_.at(i);
    return {shownBody(d.before), shownBody(d.after)};
}

bool ArchiveComparison::restorable(std::size_t i) const {
    return differences_.at(i).before != nullptr;
}

bool ArchiveComparison::restore(const std::vector<std::size_t>& chosen,
                                const DuplicateQuestion& ask) {
    std::vector<SetItem> items;
    for (const auto i : chosen)
        if (restorable(i))
            items.push_back(*differences_[i].before);
    if (items.empty())
        return false;
    presenter_.archiveBeforeWrite();
    const auto work = presenter_.operationRun(presenter_.prompt());
    const auto outcome = restoreItems(work->engine(), archive_, items, ask, presenter_.status(),
                                      presenter_.prompt());
    if (outcome.result.code == Outcome::Code::Cancelled)
        return false;
    if (!outcome.result.done()) {
        presenter_.prompt().message(outcome.result.message, outcome.result.title);
        return false;
    }
    presenter_.afterWrite();
    // The comparison follows the file as it now is.
    after_ = readOrSay(presenter_.commandFile(), presenter_);
    differences_ = after_ ? compareSets(*before_, *after_) : std::vector<Difference>{};
    return true;
}

bool ConflictList::find() {
    conflicts_.clear();
    set_ = readOrSay(presenter_.commandFile(), presenter_);
    if (!set_)
        return false;
    conflicts_ = findConflicts(*set_);
    return true;
}

std::vector<std::string> ConflictList::lines() const {
    std::vector<std::string> out;
    for (const auto& c : conflicts_)
        out.push_back(conflictLine(c));
    return out;
}

void ConflictList::jumpTo(std::size_t i) {
    const auto& item = *conflicts_.at(i).first;
    auto& browser = presenter_.browser();
    browser.setCurrent(item.program, item.scope);
    browser.setCurrentItemName(item.name);
    browser.reset(CommandsTab);
}

} // namespace qmk
