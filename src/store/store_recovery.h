#pragma once

#include "common/file_time.h"
#include "common/prompt.h"
#include "store/database.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qmk {

inline constexpr const char* kStoreRebuiltTitle = "Quillmark10 - The command store was rebuilt";

// What became of a damaged store: where it went, and which of the settings it held were carried
// into the new one.
struct RebuiltStore {
    std::filesystem::path store;
    std::filesystem::path movedTo;
    std::vector<std::string> kept;
    std::vector<std::string> lost;

    // For the user: what happened, where the damaged file is, what was kept and what was not.
    std::string message(const std::string& reason) const;
};

// Moves a damaged store aside, with its journal files, as "<name>.damaged-<stamp>" beside it, and
// creates a new empty store in its place that carries the settings still readable from the old
// one. The caller then parses the command file into it: every command comes from there.
// The stamp is `when` as "20261206-071511".
RebuiltStore replaceDamagedStore(const std::filesystem::path& store, const FileTime& when);

// Replaces a damaged store as replaceDamagedStore does, tells the user `reason`, where the old
// one went and what was kept, and opens the new one.
std::unique_ptr<Database> rebuildDamagedStore(const std::filesystem::path& store,
                                              const FileTime& when, const std::string& reason,
                                              Prompt& prompt);

// Opens the store; one damaged past opening is rebuilt first. `rebuilt` says whether it was.
std::unique_ptr<Database> openOrRebuildStore(const std::filesystem::path& store,
                                             const FileTime& when, Prompt& prompt, bool& rebuilt);

} // namespace qmk
