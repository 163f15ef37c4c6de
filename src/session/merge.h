#pragma once

#include "common/message_loop.h"
#include "common/outcome.h"
#include "common/task.h"
#include "common/trace.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace qmk {

// The primary language code of a speaker language id (LCID), for the header of a file to merge.
std::optional<std::uint8_t> languageOfLcid(std::uint32_t lcid);

// How long the merge waits for the target to change: polls × interval.
struct MergeWait {
    std::chrono::milliseconds interval{100};
    int polls = 50;
};

// What the merge through Dragon's tool came to: done when the tool changed the target; for a
// failure the message is the system's own.
struct MergeOutcome : Outcome {
    MergeOutcome(Outcome outcome = {}) : Outcome(std::move(outcome)) {}
    bool sourceMissing = false; // nothing was run: the file to merge is not there
};

// Merges `source` into `target` with Dragon's merge tool, run hidden: a target that may not be
// written (read-only, several hard links) is refused first; the source's header gets the
// speaker's language; success is the target's modification time changing. Its waits pause for
// `loop`.
Task<MergeOutcome> mergeThroughTool(std::filesystem::path tool, std::filesystem::path target,
                                    std::filesystem::path source, std::uint8_t languageCode,
                                    Trace& trace, MessageLoop& loop, MergeWait wait = {});

} // namespace qmk
