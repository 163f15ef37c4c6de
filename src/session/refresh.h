#pragma once

#include "common/file_io.h"
#include "common/program_dir.h"
#include "common/prompt.h"
#include "common/trace.h"
#include "loader/parser.h"

#include <filesystem>

namespace qmk {

// Parses the command file again after a write. When it no longer parses, the copy "savedat"
// made before writing is put back, the trace goes to error.log and the user is told; the
// program must then end. Returns true when the file parsed.
bool refreshWithVerification(Parser& parser, const std::filesystem::path& file,
                             const ProgramDir& home, FileOps& files, Prompt& prompt, Trace& trace);

} // namespace qmk
