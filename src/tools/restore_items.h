#pragma once

#include "common/prompt.h"
#include "common/status_sink.h"
#include "common/trace.h"
#include "tools/command_set.h"
#include "writer/export_dat.h"

#include <filesystem>
#include <vector>

namespace qmk {

// What a restore brought back.
struct RestoreOutcome {
    Outcome result = Outcome{};
    int commands = 0; // commands exported from the archive
    int lists = 0;    // LISTs written or replaced, those the commands needed included
};

// Copies the chosen commands and LISTs of `archive` (any command file: a daily archive, another
// machine's file) into the file `current` edits. The commands go through the export's append,
// with its duplicate question and the LISTs they name; a chosen LIST replaces the one of that
// name, after the same question, or is added. The file is kept as "savedat" first, and a cancel
// leaves it as it was; the caller then has Dragon take it up and the store read it again.
RestoreOutcome restoreItems(UpdateEngine& current, const std::filesystem::path& archive,
                            const std::vector<SetItem>& chosen, const DuplicateQuestion& ask,
                            StatusSink& status, Prompt& prompt);

} // namespace qmk
