#pragma once

#include "common/program_dir.h"
#include "common/prompt.h"
#include "store/database.h"
#include "tools/reports.h"
#include "writer/export_dat.h"
#include "writer/update_engine.h"

#include <filesystem>
#include <functional>
#include <string>

namespace qmk::actions {

// The facts of the open command file every operation needs, and the front end's seams.
struct OperationContext {
    Database& store;
    UpdateEngine& engine;
    Prompt& prompt;
    ProgramDir home;
    std::filesystem::path commandFile;
    bool productionFile = false;              // the open file is the current Dragon user's own
    std::string language;                     // the open file's language name
    ReportOutlets outlets;                    // the View filter, the printer and the clipboard
    std::function<bool()> changedBehindUs;    // the external-change check
    std::function<void()> archiveBeforeWrite; // the day's archive of the user's own file
    std::function<void(const std::string&)> progress;
    DuplicateQuestion duplicates; // the export's duplicate question
    // Dragon's check of a legacy script: the first line in error, 0 when there is none.
    std::function<int(const std::string&)> checkScript = {};
    // The current Dragon user's own command file, when one was found: nothing but an edit of it
    // ever writes it.
    std::filesystem::path usersOwnFile = {};
};

} // namespace qmk::actions
