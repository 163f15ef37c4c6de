#pragma once

#include "mainwindow/main_presenter.h"
#include "tools/compare.h"
#include "tools/conflicts.h"
#include "writer/export_dat.h"

#include <optional>
#include <string>
#include <vector>

namespace qmk {

// File > "Compare with archive...": the current command file against one of this month's
// archives of its user, item by item, and the restore of chosen items from the archive.
class ArchiveComparison {
public:
    explicit ArchiveComparison(MainPresenter& presenter) : presenter_(presenter) {}

    // This month's archives of the user, newest last ("none to rollback" when there are none).
    const std::vector<std::string>& archives() const { return presenter_.rollbackList(); }
    // Reads the archive and the current file; false, with the message shown, when either
    // cannot be read.
    bool compare(const std::string& archive);

    const std::vector<Difference>& differences() const { return differences_; }
    const std::filesystem::path& archive() const { return archive_; }
    const std::filesystem::path& currentFile() const { return presenter_.commandFile(); }
    std::vector<std::string> lines() const;
    std::string summary() const { return differenceSummary(differences_); }
    // The body in the archive and the body now; empty where the item is not.
    std::pair<std::string, std::string> bodies(std::size_t difference) const;
    // Whether the archive holds the item, so that it can be brought back.
    bool restorable(std::size_t difference) const;
    // Brings back the archive's items of the chosen differences, then the save cycle. False
    // when nothing was written (refused, cancelled, nothing restorable chosen).
    bool restore(const std::vector<std::size_t>& chosen, const DuplicateQuestion& ask);

private:
    MainPresenter& presenter_;
    std::filesystem::path archive_;
    std::optional<CommandSet> before_, after_;
    std::vector<Difference> differences_;
};

// Tools > "Find conflicts...": the spoken forms of the current file that collide.
class ConflictList {
public:
    explicit ConflictList(MainPresenter& presenter) : presenter_(presenter) {}

    // Reads the current file; false, with the message shown, when it cannot be read.
    bool find();
    const std::vector<Conflict>& conflicts() const { return conflicts_; }
    std::vector<std::string> lines() const;
    // Takes the window to the first command of a conflict.
    void jumpTo(std::size_t conflict);

private:
    MainPresenter& presenter_;
    std::optional<CommandSet> set_;
    std::vector<Conflict> conflicts_;
};

} // namespace qmk
