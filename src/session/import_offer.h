#pragma once

#include "common/program_dir.h"
#include "common/prompt.h"
#include "platform/dragon_engine.h"
#include "session/save_cycle.h"
#include "session/settings.h"
#include "store/database.h"

namespace qmk {

// True when the store holds the launch command "global quillmark" among the Global Commands
// with "qmk9" in its script.
bool launchCommandsPresent(Database& store);

enum class ImportOutcome { NotOffered, Cancelled, Imported, NotImported };

// The offer at the end of start-up to merge the supplied launch commands into the user's
// command file, until they are there or the user declines for good. The caller makes it only
// while the user's own file is shown; a command the file holds already is replaced only after
// the user's Yes.
Task<ImportOutcome> offerLaunchCommands(Database& store, const Settings& settings, Prompt& prompt,
                                        DragonEngine& engine, const ProgramDir& home,
                                        SaveCycle& cycle);

} // namespace qmk
